// Writes a PNG of every tab, the history view and the feedback form into the folder given, for review.
#include "FeedbackForm.h"
#include "WindowFeedbackHost.h"
#include "HistoryView.h"
#include "LogFile.h"
#include "WindowFixture.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTabWidget>
#include <cstdio>
#include <ctime>

using namespace kestrune::actions;

using namespace kestrune::app;

namespace {

bool save(QWidget* widget, const QDir& folder, const QString& name)
{
    QApplication::processEvents();
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    if (!widget->grab().save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(folder.path()))
        return 1;

    WindowFixture fixture;
    MainWindow& window = fixture.start();
    window.show();
    bool ok = true;
    for (int i = 0; i < window.tabs()->count(); ++i) {
        window.tabs()->setCurrentIndex(i);
        ok &= save(&window, folder, QStringLiteral("tab-%1-%2").arg(i + 1).arg(window.tabs()->widget(i)->objectName()));
    }

    // A made-up log of a few changes, with one line the parser cannot read.
    const QString log = QFileInfo(fixture.executablePath()).dir().filePath(QStringLiteral("ip.log"));
    const std::time_t now = std::time(nullptr);
    const char* const addresses[] = {"203.0.113.7", "198.51.100.20", "203.0.113.9", "198.51.100.31"};
    kestrune::actions::writeLog(log.toStdString(), "a line from another program", 100);
    for (int i = 0; i < 4; ++i)
        kestrune::actions::writeLog(log.toStdString(), formatLogEntry(now - (4 - i) * 86400 + i * 7000, DateNames::english(), addresses[i]), 100);
    window.localFilesTab()->logFileEdit()->setText(log);
    window.onHistoryClicked();
    ok &= save(window.historyView(), folder, QStringLiteral("history"));
    window.historyView()->hide();

    WindowFeedbackHost host(window, fixture.dialogs);
    kestrune::feedback::FeedbackForm form(&window, host);
    form.show();
    ok &= save(&form, folder, QStringLiteral("feedback"));
    form.hide();
    return ok ? 0 : 1;
}
