#include "QtDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

namespace kestrune::app {

namespace {

QString title() { return QApplication::applicationName(); }

void showBox(QWidget* owner, QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, title(), text, QMessageBox::Ok, owner);
    box.exec();
}

QString startPath(const FileDialogOptions& options)
{
    QDir dir(options.initialDir);
    return options.fileName.isEmpty() ? dir.path() : dir.filePath(options.fileName);
}

std::optional<QString> runFileDialog(QWidget* owner, const FileDialogOptions& options,
                                     QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(owner, QString(), startPath(options));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(QtDialogs::nameFilters(options.filter));
    if (!options.defaultExtension.isEmpty())
        dialog.setDefaultSuffix(options.defaultExtension);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().first());
}

} // namespace

void QtDialogs::showMessage(const QString& text) { showBox(m_owner, QMessageBox::NoIcon, text); }

void QtDialogs::showError(const QString& text) { showBox(m_owner, QMessageBox::Critical, text); }

bool QtDialogs::confirmYesNo(const QString& text, QPoint topLeft)
{
    QMessageBox box(QMessageBox::Question, title(), text, QMessageBox::Yes | QMessageBox::No, m_owner);
    box.setDefaultButton(QMessageBox::Yes);
    box.move(topLeft);
    return box.exec() == QMessageBox::Yes;
}

QString QtDialogs::inputBox(const QString& caption, const QString& prompt, const QString& defaultText)
{
    QInputDialog dialog(m_owner);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    // A box sized for its short prompt would cut its own title; leave room for the title bar's buttons too.
    constexpr int kTitleBarButtons = 120;
    // The dialog's layout fixes its width from its contents, so the text field carries the width.
    if (auto* edit = dialog.findChild<QLineEdit*>())
        edit->setMinimumWidth(dialog.fontMetrics().horizontalAdvance(caption) + kTitleBarButtons);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : defaultText;
}

std::optional<QString> QtDialogs::openFileName(const FileDialogOptions& options)
{
    return runFileDialog(m_owner, options, QFileDialog::AcceptOpen);
}

std::optional<QString> QtDialogs::saveFileName(const FileDialogOptions& options)
{
    return runFileDialog(m_owner, options, QFileDialog::AcceptSave);
}

bool QtDialogs::runDialog(QDialog& dialog) { return dialog.exec() == QDialog::Accepted; }

void QtDialogs::beep() { QApplication::beep(); }

bool QtDialogs::openUrl(const QString& url)
{
    const QUrl target = QUrl::fromUserInput(url, QDir::currentPath(), QUrl::AssumeLocalFile);
    return QDesktopServices::openUrl(target);
}

bool QtDialogs::clipboardHasText()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasText();
}

QString QtDialogs::readClipboard() { return QApplication::clipboard()->text(); }

void QtDialogs::writeClipboard(const QString& text) { QApplication::clipboard()->setText(text); }

void QtDialogs::closeOpenDialogs()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
            dialog->reject();
}

QStringList QtDialogs::nameFilters(const QString& filter)
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

} // namespace kestrune::app
