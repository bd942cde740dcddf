#pragma once

// The benchmark's load mode: several workstations at once on one database,
// each a process of its own doing a shop's mix of actions with pauses, then
// the end-of-run check of what the database holds against their journals.

#include <QString>

#include <functional>

namespace bench {

struct LoadOptions {
    int workstations = 0; // --postes: the processes started
    int seconds = 300;    // --duree
    int clients = 100000; // the generated base's customers
    QString folder;       // where the generated SQLite base lives
    QString address;      // --adresse: a server database (else the bench's own server)
    bool sqlite = false;  // --moteur sqlite: every workstation on the SQLite file
    int workstation = -1; // hidden --poste: this process is that workstation
    QString journal;      // hidden --journal: the workstation's journal file
    int hot = 6;          // customers every workstation edits on purpose
    unsigned seed = 1;    // --graine
};

// What the load mode needs of the rest of the benchmark: the generated base
// made when missing, and its rows copied into an empty server database.
struct LoadHooks {
    std::function<void()> ensureDatabase;
    std::function<void(const QString& file, const QString& address)> loadServer;
};

// The coordinator: prepares the base, starts the workstations, reports.
// Non-zero when an invariant failed or a workstation did not finish.
int runLoad(const LoadOptions& options, const LoadHooks& hooks);

// One workstation (the hidden per-process option).
int runWorkstation(const LoadOptions& options);

} // namespace bench
