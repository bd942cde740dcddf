#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace vdn {

// The name of the desktop launcher, of the AppStream component and of the
// icon: what the desktop matches a running VORDAN window with.
inline const QString DesktopId = QStringLiteral("org.vordan.vordan");

// Gives the application its icon (every window shows it) and its desktop
// name, and makes F1 open the user guide from any window.
void setUpDesktopIntegration();

// The folder of the user guide (index.md and its pictures): $VORDAN_GUIDE,
// then share/vordan/guide beside the installed program, then docs/guide of
// the source tree the program was built in. Empty when none holds it.
QString guideFolder();

// The help window: the user guide, Markdown with its pictures.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(const QString& folder, QWidget* parent = nullptr);
    // Shows a page of the guide's folder ("implantation.md"); empty or
    // missing, the first page. "index.md#Les clients" shows the page from
    // its heading "Les clients".
    void showPage(const QString& page);
    QTextBrowser* txtAide = nullptr;

private:
    QString folder_;
};

// Shows the one help window, opened when needed, at `page` when one is
// named (else where it was, or at the first page). From a modal window, the
// help window is that window's child, so that it can be used.
HelpWindow* showHelp(const QString& page = QString());
// Closes the help window when it is open.
void closeHelp();

} // namespace vdn
