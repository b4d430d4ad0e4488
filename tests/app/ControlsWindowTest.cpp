#include "DnsProvider.h"
#include "DnsUpdateDialog.h"
#include "DnsUpdateTab.h"
#include "LookupTexts.h"
#include "NginxServer.h"
#include "PageView.h"
#include "TestCertificates.h"
#include "TrayIcon.h"
#include "WindowFixture.h"
#include "WindowSteps.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFormLayout>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <filesystem>
#include <fstream>

using namespace kestrune::lookup;

using namespace kestrune::app;

namespace {

const QString kAddress = QStringLiteral("203.0.113.9");

bool holds(const std::string& text, const std::string& line) { return text.find(line + "\r\n") != std::string::npos; }

// Fills the entry dialog and accepts it.
std::function<bool(QDialog&)> dnsAnswer(int provider, const QString& hosts)
{
    return [provider, hosts](QDialog& shown) {
        auto& dialog = static_cast<DnsUpdateDialog&>(shown);
        dialog.providerCombo()->setCurrentIndex(provider);
        dialog.hostsEdit()->setText(hosts);
        dialog.passwordEdit()->setText(QStringLiteral("t0ken"));
        return true;
    };
}

QStringList rows(const QListWidget* list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

} // namespace

class ControlsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void publicOnlyAndMailSecurityKeys();
    void anyCertificateFollowsTheHttpsPage();
    void dnsEntriesAddedThroughTheirDialog();
    void dnsEntryEditHoldAndRemove();
    void dnsDialogShowsItsProvidersFieldsAndChecksInPlace();
    void dnsTabShowsEachEntrysState();
    void commandResultIsSavedAndShownAtOnce();
    void loginBoxFollowsTheAutostartEntry();
    void activationRestoresFromTheTray();
};

void ControlsWindowTest::publicOnlyAndMailSecurityKeys()
{
    WindowFixture fixture;
    {
        MainWindow& form = fixture.start();
        // On for a file without the key.
        QVERIFY(form.systemTab()->publicOnlyCheck()->isChecked());
        form.systemTab()->publicOnlyCheck()->setChecked(false);
        form.mailTab()->securityCombo()->setCurrentIndex(MailTab::SecurityStartTls);
        QVERIFY(fixture.close());
    }
    const std::string text = fixture.settingsText();
    for (const char* line : {"PublicOnly=0", "StartTLS=1", "SSL=0"})
        QVERIFY2(holds(text, line), line);
    MainWindow& form = fixture.start();
    QVERIFY(!form.systemTab()->publicOnlyCheck()->isChecked());
    QCOMPARE(form.mailTab()->securityCombo()->currentText(), QStringLiteral("STARTTLS"));
    form.mailTab()->defaultPortButton()->click();
    QCOMPARE(form.mailTab()->portEdit()->text(), QStringLiteral("587"));

    // Both set by hand: SSL/TLS wins, and the choice writes one of them back.
    fixture.writeSettings("[Mail]\nSSL=1\nStartTLS=1\n");
    MainWindow& both = fixture.start();
    QCOMPARE(both.mailTab()->securityCombo()->currentText(), QStringLiteral("SSL/TLS"));
    QVERIFY(fixture.close());
    QVERIFY(holds(fixture.settingsText(), "StartTLS=0"));
}

void ControlsWindowTest::anyCertificateFollowsTheHttpsPage()
{
    const testsupport::TestCertificates& certificates = testsupport::TestCertificates::get();
    testsupport::TempDir root("kestrune-tls-page");
    std::ofstream(root.File("status.htm")) << statusPage(kAddress);
    testsupport::NginxServer::Options options;
    options.DocumentRoot = root.Path();
    options.TlsCertFile = certificates.selfSignedCert();
    options.TlsKeyFile = certificates.selfSignedKey();
    testsupport::NginxServer nginx(options);
    const QString url = QString::fromStdString(nginx.TlsBaseURL() + "/status.htm");

    WindowFixture fixture;
    {
        MainWindow& form = fixture.start();
        UserLookupsTab& user = *form.userLookupsTab();
        useUserDefinedPage(form, QString::fromStdString(nginx.BaseURL().substr(7) + "/status.htm"));
        QVERIFY(!user.anyCertificateCheck()->isEnabled());
        user.urlEdit()->setText(url);
        QVERIFY(user.anyCertificateCheck()->isEnabled());

        // The self-signed page is refused until the box is ticked, by the inspector and by the lookup alike.
        form.onGetPageClicked();
        QCOMPARE(fixture.dialogs.messages(), QStringList(QString::fromLatin1(lookuptexts::kUnableToConnect.data())));
        form.onTestLookupClicked();
        QVERIFY(form.addressLabel()->text() != kAddress);
        fixture.dialogs.clear();
        user.anyCertificateCheck()->setChecked(true);
        form.onGetPageClicked();
        QVERIFY(fixture.dialogs.messages().isEmpty());
        QVERIFY(form.pageView().page().bytes().find("WAN IP: " + kAddress.toStdString()) != std::string::npos);
        useUserDefinedPage(form, url);
        form.onTestLookupClicked();
        QCOMPARE(form.addressLabel()->text(), kAddress);

        fixture.dialogs.inputAnswers.enqueue(QStringLiteral("Router"));
        user.addButton()->click();
        QVERIFY(fixture.close());
    }
    MainWindow& form = fixture.start();
    form.userLookupsTab()->userLookupList()->setCurrentRow(0);
    form.onUserLookupChosen();
    QCOMPARE(form.userLookupsTab()->urlEdit()->text(), url);
    QVERIFY(form.userLookupsTab()->anyCertificateCheck()->isChecked());
}

void ControlsWindowTest::dnsEntriesAddedThroughTheirDialog()
{
    WindowFixture fixture;
    {
        MainWindow& form = fixture.start();
        DnsUpdateTab& tab = *form.dnsUpdateTab();
        // A first try without a host is refused and shown again as typed; Cancel adds nothing.
        fixture.dialogs.dialogAnswers.enqueue(dnsAnswer(1, QString()));
        fixture.dialogs.dialogAnswers.enqueue([](QDialog& shown) {
            auto& dialog = static_cast<DnsUpdateDialog&>(shown);
            const auto noIp = kestrune::actions::findDnsProvider("noip")->server;
            return dialog.serverEdit()->text().toStdString() == noIp &&
                   dialog.passwordEdit()->text() == QStringLiteral("t0ken") &&
                   !dialog.fieldShown(dialog.urlEdit()) && (dialog.hostsEdit()->setText(QStringLiteral("home.example.org")), true);
        });
        tab.addButton()->click();
        QCOMPARE(fixture.dialogs.messages(), QStringList(QStringLiteral("A host name needs to be specified.")));
        fixture.dialogs.dialogAnswers.enqueue([](QDialog& shown) {
            static_cast<DnsUpdateDialog&>(shown).hostsEdit()->setText(QStringLiteral("lost.example.org"));
            return false;
        });
        tab.addButton()->click();
        QCOMPARE(rows(tab.entryList()), QStringList(QStringLiteral("home.example.org - No-IP")));
        QVERIFY(fixture.close());
    }
    const std::string text = fixture.settingsText();
    for (const char* line : {"Count=1", "Enabled1=1", "Provider1=noip", "Hosts1=home.example.org"})
        QVERIFY2(holds(text, line), line);
    QVERIFY(text.find("t0ken") == std::string::npos);
    MainWindow& form = fixture.start();
    QCOMPARE(rows(form.dnsUpdateTab()->entryList()), QStringList(QStringLiteral("home.example.org - No-IP")));
}

void ControlsWindowTest::dnsEntryEditHoldAndRemove()
{
    WindowFixture fixture;
    // Due in an hour: within the bounds a retry read from the file keeps.
    const qint64 due = QDateTime::currentSecsSinceEpoch() + 3600;
    const std::string dueText = std::to_string(due);
    fixture.writeSettings("[DNSUpdate]\nCount=3\n"
                          "Enabled1=1\nProvider1=dyndns2\nServer1=dns.example.org\nHosts1=a.example.org\nLastIP1=10.0.0.1\n"
                          "Enabled2=1\nProvider2=duckdns\nHosts2=b\nHold2=badauth\nLastIP2=10.0.0.2\n"
                          "Enabled3=0\nProvider3=custom\nURL3=https://x.example/u?ip={IP}\n"
                          "[Retry]\nCount=2\nChannel1=dns1\nAddress1=10.0.0.9\nDue1=" + dueText +
                          "\nChannel2=dns3\nAddress2=10.0.0.9\nDue2=" + dueText + "\n");
    MainWindow& form = fixture.start();
    DnsUpdateTab& tab = *form.dnsUpdateTab();
    // The pending retries show when each entry is tried next.
    const QString nextTry = QStringLiteral("; next try ") +
                            QDateTime::fromSecsSinceEpoch(due).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    QCOMPARE(rows(tab.entryList()), QStringList({"a.example.org - dyndns2 (generic)" + nextTry, "b - DuckDNS, stopped: badauth",
                                                  "(no host) - Custom URL, off" + nextTry}));
    tab.entryList()->setCurrentRow(0);
    QVERIFY(!tab.clearHoldButton()->isEnabled());
    tab.entryList()->setCurrentRow(1);
    QVERIFY(tab.clearHoldButton()->isEnabled());
    tab.clearHoldButton()->click();
    QCOMPARE(tab.entryList()->item(1)->text(), QStringLiteral("b - DuckDNS"));

    // A new host is sent at the next check: the last address goes.
    tab.entryList()->setCurrentRow(0);
    fixture.dialogs.dialogAnswers.enqueue([](QDialog& shown) {
        static_cast<DnsUpdateDialog&>(shown).hostsEdit()->setText(QStringLiteral("c.example.org"));
        return true;
    });
    tab.editButton()->click();
    // The first entry's retry goes with it; the third's follows its entry up.
    tab.removeButton()->click();
    QVERIFY(fixture.close());
    const std::string text = fixture.settingsText();
    for (const char* line : {"Count=2", "Provider1=duckdns", "Hold1=", "LastIP1=10.0.0.2", "Provider2=custom",
                             "Channel1=dns2"})
        QVERIFY2(holds(text, line), line);
    QVERIFY(text.find("a.example.org") == std::string::npos);
    QVERIFY(text.find("Channel2=") == std::string::npos);

    MainWindow& again = fixture.start();
    again.dnsUpdateTab()->entryList()->setCurrentRow(0);
    fixture.dialogs.dialogAnswers.enqueue([](QDialog& shown) {
        static_cast<DnsUpdateDialog&>(shown).hostsEdit()->setText(QStringLiteral("d.example.org"));
        return true;
    });
    again.dnsUpdateTab()->editButton()->click();
    QVERIFY(fixture.close());
    QVERIFY(holds(fixture.settingsText(), "Hosts1=d.example.org"));
    QVERIFY(holds(fixture.settingsText(), "LastIP1="));
}

void ControlsWindowTest::dnsDialogShowsItsProvidersFieldsAndChecksInPlace()
{
    DnsUpdateDialog dialog;
    const struct {
        const char* key;
        std::vector<QLineEdit*> shown, hidden;
        QString passwordCaption;
    } kRows[] = {
        {"cloudflare", {dialog.serverEdit(), dialog.zoneEdit()},
         {dialog.userEdit(), dialog.urlEdit(), dialog.algorithmEdit()}, QStringLiteral("API &token:")},
        {"rfc2136", {dialog.zoneEdit(), dialog.userEdit(), dialog.algorithmEdit(), dialog.ttlEdit()},
         {dialog.urlEdit()}, QStringLiteral("Key &secret:")},
        {"custom", {dialog.urlEdit()}, {dialog.zoneEdit(), dialog.serverEdit(), dialog.ttlEdit()},
         QStringLiteral("Password/&Token:")},
        {"duckdns", {dialog.hostsEdit()}, {dialog.userEdit(), dialog.zoneEdit()}, QStringLiteral("&Token:")},
    };
    for (const auto& row : kRows) {
        dialog.providerCombo()->setCurrentIndex(dialog.providerCombo()->findData(QString::fromLatin1(row.key)));
        for (QLineEdit* edit : row.shown)
            QVERIFY2(dialog.fieldShown(edit), qPrintable(QString::fromLatin1(row.key) + " " + edit->objectName()));
        for (QLineEdit* edit : row.hidden)
            QVERIFY2(!dialog.fieldShown(edit), qPrintable(QString::fromLatin1(row.key) + " " + edit->objectName()));
        auto* label = qobject_cast<QLabel*>(
            static_cast<QFormLayout*>(dialog.layout()->itemAt(0)->layout())->labelForField(dialog.passwordEdit()));
        QCOMPARE(label->text(), row.passwordCaption);
    }
    // Checked as typed: OK waits until the fields make an entry.
    dialog.providerCombo()->setCurrentIndex(dialog.providerCombo()->findData(QStringLiteral("cloudflare")));
    dialog.hostsEdit()->clear();
    dialog.passwordEdit()->clear();
    QCOMPARE(dialog.problemLabel()->text(), QStringLiteral("A host name needs to be specified."));
    QVERIFY(!dialog.okButton()->isEnabled());
    dialog.hostsEdit()->setText(QStringLiteral("home.example.org"));
    QCOMPARE(dialog.problemLabel()->text(), QStringLiteral("A key, token or password needs to be specified."));
    dialog.passwordEdit()->setText(QStringLiteral("t0ken"));
    QCOMPARE(dialog.problemLabel()->text(), QString());
    QVERIFY(dialog.okButton()->isEnabled());
    dialog.familyCombo()->setCurrentIndex(dialog.familyCombo()->findText(QStringLiteral("both")));
    QCOMPARE(dialog.entry().family, 46);
}

void ControlsWindowTest::dnsTabShowsEachEntrysState()
{
    DnsUpdateTab tab;
    kestrune::core::DnsUpdateEntry entry;
    entry.enabled = true;
    entry.provider = "cloudflare";
    entry.hosts = "home.example.org";
    entry.family = 46;
    entry.updated = 1700000000;
    entry.answer = "updated";
    entry.proof = "answering since 12:00 (after 1 s)";
    kestrune::core::DnsUpdateEntry failing = entry;
    failing.answer = "HTTP 503";
    tab.showEntries({entry, failing}, {{"dns2", "203.0.113.9", 1, 1700000600, false}});
    const QString first = tab.entryList()->item(0)->text();
    QVERIFY2(first.startsWith(QStringLiteral("home.example.org - Cloudflare (IPv4 and IPv6); updated ")), qPrintable(first));
    QVERIFY2(first.endsWith(QStringLiteral(" (updated), answering since 12:00 (after 1 s)")), qPrintable(first));
    const QString second = tab.entryList()->item(1)->text();
    QVERIFY2(second.contains(QStringLiteral("; last try: HTTP 503, next try ")), qPrintable(second));
}

void ControlsWindowTest::commandResultIsSavedAndShownAtOnce()
{
    LocalPage page(statusPage(kAddress));
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.systemTab()->debugCheck()->setChecked(true);
    form.localFilesTab()->runCommandCheck()->setChecked(true);
    form.localFilesTab()->commandEdit()->setText(QStringLiteral("/bin/true {IP}"));
    checkOnce(form, page, kAddress);
    // Written before any close.
    QVERIFY(holds(fixture.settingsText(), "CommandIP=" + kAddress.toStdString()));
    QVERIFY(holds(fixture.settingsText(), "Command=/bin/true {IP}"));
    QVERIFY(form.externalServiceTab()->debugLog()->isVisibleTo(form.externalServiceTab()));
    QVERIFY(!form.externalServiceTab()->debugLog()->toPlainText().isEmpty());
}

void ControlsWindowTest::loginBoxFollowsTheAutostartEntry()
{
    testsupport::TempDir config("kestrune-xdg");
    const QByteArray oldConfig = qEnvironmentVariableIsSet("XDG_CONFIG_HOME") ? qgetenv("XDG_CONFIG_HOME") : QByteArray();
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.Path()));
    const std::filesystem::path entry = kestrune::launch::AutostartEntry::defaultFile();
    {
        WindowFixture fixture;
        MainWindow& form = fixture.start();
        QCheckBox* box = form.systemTab()->loginStartCheck();
        box->click();
        QVERIFY(std::filesystem::is_regular_file(entry));
        QVERIFY(!form.systemTab()->autoStartCheck()->isChecked());
        box->setChecked(false);
        form.onSystemTabShown();
        QVERIFY(box->isChecked());
        box->click();
        QVERIFY(!std::filesystem::exists(entry));

        // A file where the autostart folder should be: the error is shown and the box stays clear.
        std::filesystem::remove_all(config.File("autostart"));
        std::ofstream(config.File("autostart")) << "x";
        box->click();
        QCOMPARE(fixture.dialogs.messages().size(), 1);
        QVERIFY(!box->isChecked());
        QVERIFY(fixture.close());
        QVERIFY(fixture.settingsText().find("Login") == std::string::npos);
    }
    if (oldConfig.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig);
}

void ControlsWindowTest::activationRestoresFromTheTray()
{
    auto visible = std::make_shared<bool>(false);
    struct Tray : TrayPlatform {
        std::shared_ptr<bool> shown;
        bool available() const override { return true; }
        void setIcon(const QIcon&) override {}
        void setMenu(QMenu*) override {}
        void setVisible(bool on) override { *shown = on; }
        void showBalloon(const Balloon&) override {}
    };
    TrayIcon::installPlatformFactory([visible] {
        auto tray = std::make_unique<Tray>();
        tray->shown = visible;
        return tray;
    });
    WindowFixture fixture;
    MainWindow& form = fixture.start();
    form.show();
    form.trayIcon()->hideToTray();
    QVERIFY(!form.isVisible());
    form.onActivationRequested();
    QVERIFY(form.isVisible());
    QVERIFY(!form.trayIcon()->inTrayState());
    QVERIFY(!*visible);
    TrayIcon::installPlatformFactory({});
}

QTEST_MAIN(ControlsWindowTest)
#include "ControlsWindowTest.moc"
