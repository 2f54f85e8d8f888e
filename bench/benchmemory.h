#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Memory figures of this process for the benchmarks (Linux).

// Forgets the peak so far: the peak read next belongs to what ran since.
inline void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// A figure of /proc/self/status ("VmHWM", "VmRSS", "RssAnon") in MiB.
inline double statusMiB(const QByteArray &key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}
