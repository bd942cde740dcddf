// A stand-in for a program Windows opens files with: appends one line with
// its arguments, separated by "|", to the file named by STAND_IN_LOG, then
// ends.
#include <QCoreApplication>
#include <QFile>
#include <QStringList>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QFile log(qEnvironmentVariable("STAND_IN_LOG"));
    if (!log.open(QIODevice::Append))
        return 2;
    const QStringList arguments = app.arguments().mid(1);
    log.write(arguments.join(QLatin1Char('|')).toUtf8() + '\n');
    return 0;
}
