#include "MainWindow.h"

#include "FileDialogPresets.h"
#include "FtpTab.h"
#include "LocalFilesTab.h"

#include <QLineEdit>
#include <optional>

namespace kestrune::app {

void MainWindow::onBrowseTemplateClicked()
{
    QLineEdit* box = m_ftpTab->templateEdit();
    m_templateDialog = presetFromBox(m_templateDialog, box->text(), QString(), m_executablePath);
    if (const std::optional<QString> chosen = m_dialogs.openFileName(m_templateDialog))
        box->setText(*chosen);
}

void MainWindow::onBrowseAddressFileClicked()
{
    QLineEdit* box = m_localFilesTab->addressFileEdit();
    m_saveDialog = presetFromBox(m_saveDialog, box->text(), QStringLiteral("untitled"), m_executablePath);
    if (const std::optional<QString> chosen = m_dialogs.saveFileName(m_saveDialog))
        box->setText(*chosen);
}

void MainWindow::onBrowseLogClicked()
{
    QLineEdit* box = m_localFilesTab->logFileEdit();
    m_saveDialog = presetFromBox(m_saveDialog, box->text(), QStringLiteral("untitled"), m_executablePath);
    if (const std::optional<QString> chosen = m_dialogs.saveFileName(m_saveDialog))
        box->setText(*chosen);
}

} // namespace kestrune::app
