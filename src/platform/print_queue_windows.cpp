#include "platform/print_queue.h"

#include <windows.h>
#include <winspool.h>

#include <vector>

namespace vdn {

namespace {

PrintAnswer refusal(int status, const QString& text, const QString& serviceMessage) {
    return PrintAnswer{false, 0, status, text, serviceMessage};
}

// The spooler's status bits that keep a job from printing, with their names
// for the error list.
struct StatusBit {
    DWORD bit;
    const char* name;
};
constexpr StatusBit Stopping[] = {
    {PRINTER_STATUS_PAUSED, "PRINTER_STATUS_PAUSED"},
    {PRINTER_STATUS_PENDING_DELETION, "PRINTER_STATUS_PENDING_DELETION"},
    {PRINTER_STATUS_NOT_AVAILABLE, "PRINTER_STATUS_NOT_AVAILABLE"},
};

} // namespace

PrintQueue::PrintQueue(const QString& name) : name_(name), queue_(name.toUtf8()) {}

bool PrintQueue::dialogShowsPdfPrinter() {
    return false;
}

bool PrintQueue::takesPdfFiles() {
    return false;
}

PrintAnswer PrintQueue::checkReady() const {
    std::wstring wide = name_.toStdWString();
    HANDLE printer = nullptr;
    if (!OpenPrinterW(wide.data(), &printer, nullptr)) {
        const DWORD code = GetLastError();
        return refusal(int(code),
                       QStringLiteral("L'imprimante « %1 » est introuvable ou le service "
                                      "d'impression ne répond pas. Rien n'a été imprimé.")
                           .arg(name_),
                       QStringLiteral("OpenPrinter : erreur %1").arg(code));
    }
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed ? needed : 1);
    DWORD status = 0;
    if (needed && GetPrinterW(printer, 2, buffer.data(), needed, &needed))
        status = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data())->Status;
    ClosePrinter(printer);
    for (const StatusBit& s : Stopping)
        if (status & s.bit)
            return refusal(int(status),
                           QStringLiteral("L'imprimante « %1 » est arrêtée ou indisponible. Rien "
                                          "n'a été imprimé.")
                               .arg(name_),
                           QString::fromLatin1(s.name));
    return {};
}

PrintAnswer PrintQueue::submit(const QString&, const JobOptions&) const {
    // Never called: the spooler takes the pages painted on the printer.
    return refusal(0,
                   QStringLiteral("L'imprimante « %1 » ne prend pas de fichier PDF. Rien n'a été "
                                  "imprimé.")
                       .arg(name_),
                   {});
}

} // namespace vdn
