#include "app/help_window.h"

#include "widgets/guide_page.h"
#include "widgets/screen_fit.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

namespace vdn {

namespace {

const QString GuideFile = QStringLiteral("index.md");

QPointer<HelpWindow> helpWindow;

// F1 anywhere in the program, modal windows included.
class HelpKey : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier) {
                // The window's own page of the guide, if it has one.
                showHelp(guidePageOf(static_cast<QWidget*>(watched)));
                return true;
            }
        }
        return false;
    }
};

} // namespace

void setUpDesktopIntegration() {
    QIcon icon;
    for (int size : {48, 128, 256})
        icon.addFile(QStringLiteral(":/vordan/icons/%1-%2.png").arg(DesktopId).arg(size),
                     QSize(size, size));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(DesktopId);
    static bool installed = false;
    if (!installed) {
        qApp->installEventFilter(new HelpKey(qApp));
        installed = true;
    }
}

QString guideFolder() {
    QStringList candidates;
    if (const QString env = qEnvironmentVariable("VORDAN_GUIDE"); !env.isEmpty())
        candidates << env;
    const QString app = QCoreApplication::applicationDirPath();
    candidates << app + QStringLiteral("/guide") << app + QStringLiteral("/../share/vordan/guide")
               << app + QStringLiteral("/../docs/guide")
               << app + QStringLiteral("/../../docs/guide");
    for (const QString& c : candidates)
        if (QFileInfo(QDir(c).filePath(GuideFile)).isFile())
            return QDir(c).canonicalPath();
    return {};
}

HelpWindow::HelpWindow(const QString& folder, QWidget* parent)
    : QWidget(parent, Qt::Window), folder_(folder) {
    setObjectName(QStringLiteral("VDN_aide"));
    setWindowTitle(QStringLiteral("Aide de VORDAN"));
    setAttribute(Qt::WA_DeleteOnClose);
    txtAide = new QTextBrowser(this);
    txtAide->setObjectName(QStringLiteral("txtAide"));
    txtAide->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(txtAide);
    // Within the screen: the page scrolls.
    screen_fit::resize(this, QSize(900, 640));
    const QString index = QDir(folder).filePath(GuideFile);
    if (folder.isEmpty() || !QFileInfo(index).isFile()) {
        txtAide->setPlainText(
            QStringLiteral("Le guide de VORDAN est introuvable.\n\nIl est installé avec le "
                           "paquet dans /usr/share/vordan/guide ; la variable VORDAN_GUIDE peut "
                           "désigner un autre dossier."));
        return;
    }
    txtAide->setSearchPaths({folder});
    showPage(QString());
}

void HelpWindow::showPage(const QString& page) {
    if (folder_.isEmpty())
        return;
    // "index.md#Les clients": the page, then the heading to show at the top.
    const QString name = page.section(QLatin1Char('#'), 0, 0);
    const QString heading = page.section(QLatin1Char('#'), 1);
    QString file = QDir(folder_).filePath(name.isEmpty() ? GuideFile : name);
    // A page left out of the guide shows its first page.
    if (!QFileInfo(file).isFile())
        file = QDir(folder_).filePath(GuideFile);
    if (!QFileInfo(file).isFile())
        return;
    txtAide->setSource(QUrl::fromLocalFile(file), QTextDocument::MarkdownResource);
    if (heading.isEmpty())
        return;
    QTextDocument* doc = txtAide->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 0 || block.text() != heading)
            continue;
        txtAide->setTextCursor(QTextCursor(block));
        // Once the window is laid out: the heading at the top of the view.
        const QPointer<QTextBrowser> view = txtAide;
        QTimer::singleShot(0, txtAide, [view, block] {
            if (view && view->document() == block.document())
                view->verticalScrollBar()->setValue(
                    int(view->document()->documentLayout()->blockBoundingRect(block).top()));
        });
        return;
    }
}

HelpWindow* showHelp(const QString& page) {
    if (!helpWindow) {
        QWidget* modal = QApplication::activeModalWidget();
        helpWindow = new HelpWindow(guideFolder(), modal);
    }
    if (!page.isEmpty())
        helpWindow->showPage(page);
    helpWindow->show();
    helpWindow->raise();
    helpWindow->activateWindow();
    return helpWindow;
}

void closeHelp() {
    delete helpWindow.data();
}

} // namespace vdn
