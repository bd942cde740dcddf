#include "support/concurrent_writer.h"

#include <QFile>

namespace vdn::test {

ConcurrentWriter::ConcurrentWriter(const QString& program, const QString& database,
                                   const QString& prefix) {
    process_.start(program, {database, prefix, folder_.filePath(QStringLiteral("stop"))});
}

ConcurrentWriter::~ConcurrentWriter() {
    if (process_.state() != QProcess::NotRunning)
        (void)stop();
}

bool ConcurrentWriter::started() {
    if (!process_.waitForStarted(10000))
        return false;
    while (process_.bytesAvailable() == 0)
        if (!process_.waitForReadyRead(10000))
            return false;
    return true;
}

QStringList ConcurrentWriter::stop() {
    QFile stop(folder_.filePath(QStringLiteral("stop")));
    (void)stop.open(QIODevice::WriteOnly);
    stop.close();
    if (!process_.waitForFinished(60000))
        process_.kill();
    process_.waitForFinished();
    errors_ += QString::fromLocal8Bit(process_.readAllStandardError());
    // Lines end in CR LF where the writer is a Windows program.
    return QString::fromLatin1(process_.readAllStandardOutput())
        .remove(QLatin1Char('\r'))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString lostWrites(const QStringList& acknowledged, const QStringList& found) {
    QStringList lost;
    for (const QString& code : acknowledged)
        if (!found.contains(code))
            lost << code;
    if (lost.isEmpty())
        return {};
    return QStringLiteral("%1 of %2 acknowledged rows lost: %3")
        .arg(lost.size())
        .arg(acknowledged.size())
        .arg(lost.join(QLatin1Char(' ')));
}

} // namespace vdn::test
