#pragma once

#include <QImage>
#include <QObject>

#include <functional>

// Decodes the pictures of one place on screen beside the interface thread. The place asks again each time
// what it shows changes and is handed only what it asked for last: a decode asked for meanwhile replaces
// any still waiting, and the result of one overtaken while it ran is dropped. One decode runs at a time
// for a place, so moving quickly through many objects never piles up work.
class PictureDecoder : public QObject
{
    Q_OBJECT
public:
    explicit PictureDecoder(QObject *parent = nullptr);

    // `decode` runs on a thread of the picture pool and must touch nothing of the caller's thread.
    void request(std::function<QImage()> decode);
    // Whatever was asked for is no longer wanted.
    void forget();
    // A decode runs or waits whose result is still wanted.
    bool busy() const { return m_wanted; }

Q_SIGNALS:
    // The picture last asked for (null when it could not be decoded).
    void decoded(const QImage &picture);

private:
    void start(std::function<QImage()> decode);
    void finished(quint64 request, const QImage &picture);

    quint64 m_requests = 0;   // numbers the requests; the last one is the one wanted
    bool m_running = false;
    bool m_wanted = false;
    std::function<QImage()> m_waiting;
};
