#include "data/error_report.h"

namespace vdn {

namespace {
const QString CrLf = QStringLiteral("\r\n");
}

QString errorReportText(const DataError& error, const QString& operation) {
    QString text = error.text;
    // Only the engine's failures are named after the operation: the others
    // already say what went wrong with what.
    if (!operation.isEmpty() && !error.engineErrors.isEmpty() && !text.isEmpty())
        text = operation + QStringLiteral(" impossible : ") + text.at(0).toLower() + text.mid(1);
    return QStringLiteral("L'erreur suivante s'est produite:") + CrLf + CrLf + text + CrLf +
           QStringLiteral("Numéro d'erreur: ") + QString::number(error.number);
}

QString engineErrorListText(const DataError& error) {
    QStringList lines;
    int i = 0;
    for (const EngineError& e : error.engineErrors) {
        if (e.state.isEmpty())
            lines << QStringLiteral("Erreur %1 : code %2 (code étendu %3)")
                         .arg(++i)
                         .arg(e.code)
                         .arg(e.extendedCode);
        else
            lines << QStringLiteral("Erreur %1 : code %2 (SQLSTATE %3)")
                         .arg(++i)
                         .arg(e.code)
                         .arg(e.state);
        lines << e.message;
        if (!e.statement.isEmpty())
            lines << QStringLiteral("Instruction : ") + e.statement;
    }
    return lines.join(CrLf);
}

} // namespace vdn
