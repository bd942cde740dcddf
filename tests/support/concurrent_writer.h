#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace vdn::test {

// Another program (tests/app/outside_writer) adding customers to a database,
// one commit after the other, while a test works on it.
class ConcurrentWriter {
public:
    ConcurrentWriter(const QString& program, const QString& database, const QString& prefix);
    ~ConcurrentWriter();
    ConcurrentWriter(const ConcurrentWriter&) = delete;
    ConcurrentWriter& operator=(const ConcurrentWriter&) = delete;

    // Running, and its first commit acknowledged (so that the test does not
    // race its start).
    bool started();
    // Stops it at the end of its current write; the codes whose commits it
    // saw succeed.
    QStringList stop();
    // What it wrote on its error output (failed writes, with their reasons).
    QString errors() const { return errors_; }

private:
    QProcess process_;
    QTemporaryDir folder_;
    QString errors_;
};

// The acknowledged codes found in none of `found`, told as a failure
// message; empty when every acknowledged write is there.
QString lostWrites(const QStringList& acknowledged, const QStringList& found);

} // namespace vdn::test
