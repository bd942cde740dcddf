#include "platform/print_queue.h"

#include <cups/cups.h>

#include <memory>

namespace vdn {

namespace {

struct DestFree {
    void operator()(cups_dest_t* d) const { cupsFreeDests(1, d); }
};
using DestPtr = std::unique_ptr<cups_dest_t, DestFree>;

QString option(const cups_dest_t* dest, const char* name) {
    return QString::fromUtf8(cupsGetOption(name, dest->num_options, dest->options));
}

QString lastMessage() {
    return QString::fromUtf8(cupsLastErrorString());
}

PrintAnswer refusal(int status, const QString& text, const QString& serviceMessage) {
    return PrintAnswer{false, 0, status, text, serviceMessage};
}

} // namespace

bool PrintQueue::dialogShowsPdfPrinter() {
    return true;
}

bool PrintQueue::takesPdfFiles() {
    return true;
}

PrintQueue::PrintQueue(const QString& name) : name_(name) {
    const qsizetype slash = name.indexOf(QLatin1Char('/'));
    queue_ = name.left(slash < 0 ? name.size() : slash).toUtf8();
    if (slash >= 0)
        instance_ = name.mid(slash + 1).toUtf8();
}

PrintAnswer PrintQueue::checkReady() const {
    DestPtr dest(cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue_.constData(),
                                  instance_.isEmpty() ? nullptr : instance_.constData()));
    if (!dest) {
        const int status = cupsLastError() == IPP_STATUS_OK ? int(IPP_STATUS_ERROR_NOT_FOUND)
                                                            : int(cupsLastError());
        return refusal(
            status,
            QStringLiteral("L'imprimante « %1 » est introuvable ou le service d'impression ne "
                           "répond pas. Rien n'a été imprimé.")
                .arg(name_),
            lastMessage());
    }
    const QString reasons = option(dest.get(), "printer-state-reasons");
    const QString accepting = option(dest.get(), "printer-is-accepting-jobs");
    if (accepting.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 ||
        accepting == QLatin1String("0")) {
        return refusal(
            IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS,
            QStringLiteral("L'imprimante « %1 » refuse les travaux d'impression. Rien n'a été "
                           "imprimé.")
                .arg(name_),
            QStringLiteral("printer-is-accepting-jobs = false; printer-state-reasons = ") +
                reasons);
    }
    // A stopped queue keeps its jobs without printing them.
    if (option(dest.get(), "printer-state").toInt() == IPP_PSTATE_STOPPED) {
        return refusal(
            IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS,
            QStringLiteral("L'imprimante « %1 » est arrêtée. Rien n'a été imprimé.").arg(name_),
            QStringLiteral("printer-state = stopped; printer-state-reasons = ") + reasons);
    }
    return {};
}

PrintAnswer PrintQueue::submit(const QString& pdfFile, const JobOptions& job) const {
    int count = 0;
    cups_option_t* options = nullptr;
    const auto add = [&](const char* name, const QString& value) {
        if (!value.isEmpty())
            count = cupsAddOption(name, value.toUtf8().constData(), count, &options);
    };
    // The options of an instance are the user's settings for it.
    if (!instance_.isEmpty()) {
        DestPtr dest(
            cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue_.constData(), instance_.constData()));
        if (dest)
            for (int i = 0; i < dest->num_options; ++i)
                count =
                    cupsAddOption(dest->options[i].name, dest->options[i].value, count, &options);
    }
    if (job.copies > 1) {
        add("copies", QString::number(job.copies));
        add("multiple-document-handling",
            job.collate ? QStringLiteral("separate-documents-collated-copies")
                        : QStringLiteral("separate-documents-uncollated-copies"));
    }
    add("sides", job.sides);
    add("media", job.media);
    add("document-format", QStringLiteral("application/pdf"));
    const int id =
        cupsPrintFile2(CUPS_HTTP_DEFAULT, queue_.constData(), pdfFile.toLocal8Bit().constData(),
                       job.title.toUtf8().constData(), count, options);
    cupsFreeOptions(count, options);
    if (id > 0)
        return PrintAnswer{true, id, 0, {}, {}};
    const int status =
        cupsLastError() == IPP_STATUS_OK ? int(IPP_STATUS_ERROR_INTERNAL) : int(cupsLastError());
    return refusal(
        status,
        QStringLiteral("L'imprimante « %1 » n'a pas accepté le travail d'impression. Rien n'a été "
                       "imprimé.")
            .arg(name_),
        lastMessage());
}

} // namespace vdn
