#include "QtDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

namespace {

QString Title() { return QApplication::applicationName(); }

void ShowBox(QWidget* owner, QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, Title(), text, QMessageBox::Ok, owner);
    box.exec();
}

QString StartPath(const TFileDialogOptions& options)
{
    QDir dir(options.initialDir);
    return options.fileName.isEmpty() ? dir.path() : dir.filePath(options.fileName);
}

std::optional<QString> RunFileDialog(QWidget* owner, const TFileDialogOptions& options,
                                     QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(owner, QString(), StartPath(options));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(TQtDialogs::NameFilters(options.filter));
    if (!options.defaultExtension.isEmpty())
        dialog.setDefaultSuffix(options.defaultExtension);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().first());
}

} // namespace

void TQtDialogs::ShowMessage(const QString& text) { ShowBox(owner_, QMessageBox::NoIcon, text); }

void TQtDialogs::ShowError(const QString& text) { ShowBox(owner_, QMessageBox::Critical, text); }

bool TQtDialogs::ConfirmYesNo(const QString& text, QPoint topLeft)
{
    QMessageBox box(QMessageBox::Question, Title(), text, QMessageBox::Yes | QMessageBox::No, owner_);
    box.setDefaultButton(QMessageBox::Yes);
    box.move(topLeft);
    return box.exec() == QMessageBox::Yes;
}

QString TQtDialogs::InputBox(const QString& caption, const QString& prompt, const QString& defaultText)
{
    bool ok = false;
    QString answer = QInputDialog::getText(owner_, caption, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? answer : defaultText;
}

std::optional<QString> TQtDialogs::OpenFileName(const TFileDialogOptions& options)
{
    return RunFileDialog(owner_, options, QFileDialog::AcceptOpen);
}

std::optional<QString> TQtDialogs::SaveFileName(const TFileDialogOptions& options)
{
    return RunFileDialog(owner_, options, QFileDialog::AcceptSave);
}

void TQtDialogs::Beep() { QApplication::beep(); }

void TQtDialogs::OpenUrl(const QString& url)
{
    QUrl target = QUrl::fromUserInput(url, QDir::currentPath(), QUrl::AssumeLocalFile);
    QDesktopServices::openUrl(target);
}

bool TQtDialogs::ClipboardHasText()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasText();
}

QString TQtDialogs::ReadClipboard() { return QApplication::clipboard()->text(); }

void TQtDialogs::WriteClipboard(const QString& text) { QApplication::clipboard()->setText(text); }

QStringList TQtDialogs::NameFilters(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const qsizetype open = description.lastIndexOf(QLatin1String(" ("));
        if (open >= 0)
            description.truncate(open);
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        result << description.trimmed() + QLatin1String(" (") + patterns + QLatin1Char(')');
    }
    return result;
}
