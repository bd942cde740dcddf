#pragma once

#include <QString>
#include <QStringList>

namespace vdn::test {

// Where an outside program that a test drives is installed: the first of
// `names` found on PATH, or empty.
QString findOutsideProgram(const QStringList& names);

// True when the tests run under continuous integration (CI set), where a
// missing outside program is a failure instead of a reason to skip; never in
// the Windows test programs, run under Wine.
bool underCi();

} // namespace vdn::test

// Puts the path of the first program found of `names` into `var`. When none is
// installed the test is skipped with `why`, or fails under CI.
#define VDN_NEED_PROGRAM(var, names, why)                                                          \
    const QString var = vdn::test::findOutsideProgram(names);                                      \
    do {                                                                                           \
        if (var.isEmpty()) {                                                                       \
            if (vdn::test::underCi())                                                              \
                QFAIL(qPrintable(QStringLiteral("not installed: ") +                               \
                                 QStringList(names).join(QLatin1Char(' ')) + " — " + (why)));      \
            QSKIP(qPrintable(QString(why)));                                                       \
        }                                                                                          \
    } while (false)
