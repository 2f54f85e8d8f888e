#include "fields/picturedecoder.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QThreadPool>

namespace {
// Pictures for the screen decode on a pool of their own: thumbnails made in the background on the
// global pool never hold up the picture a person is waiting for.
QThreadPool &PicturePool()
{
    static QThreadPool *pool = [] {
        auto *made = new QThreadPool(QCoreApplication::instance());
        made->setObjectName(QStringLiteral("PicturePool"));
        made->setMaxThreadCount(qMax(2, QThread::idealThreadCount()));
        return made;
    }();
    return *pool;
}
}

PictureDecoder::PictureDecoder(QObject *parent)
    : QObject(parent)
{
}

void PictureDecoder::request(std::function<QImage()> decode)
{
    ++m_requests;
    m_wanted = true;
    if (m_running)
        m_waiting = std::move(decode);
    else
        start(std::move(decode));
}

void PictureDecoder::forget()
{
    ++m_requests;
    m_wanted = false;
    m_waiting = nullptr;
}

void PictureDecoder::start(std::function<QImage()> decode)
{
    m_running = true;
    QPointer<PictureDecoder> self(this);
    const quint64 request = m_requests;
    PicturePool().start([self, request, decode = std::move(decode)] {
        const QImage picture = decode();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, request, picture] {
                if (self)
                    self->finished(request, picture);
            },
            Qt::QueuedConnection);
    });
}

void PictureDecoder::finished(quint64 request, const QImage &picture)
{
    m_running = false;
    if (m_waiting) {
        start(std::exchange(m_waiting, nullptr));
        return;
    }
    if (request != m_requests)
        return;
    m_wanted = false;
    Q_EMIT decoded(picture);
}
