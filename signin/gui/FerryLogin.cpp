#include "FerryLogin.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>

#include "AppPath.h"
#include "CancelKey.h"
#include "Crypt.h"
#include "Dialogs.h"
#include "FerryConnect.h"
#include "NetConnect.h"
#include "ProfileFile.h"
#include "Service.h"
#include "WebPage.h"

namespace {

const QString kSection = QStringLiteral("ConnectionInfo");
const QString kAddressKey = QStringLiteral("LastServerAddressUsed");
const QString kUserNameKey = QStringLiteral("LastUsernameUsed");
const QString kPasswordKey = QStringLiteral("LastPasswordUsed");
constexpr int kSettingBuffer = 256;

// Drops leading and trailing spaces only, as the account fields always did.
QString TrimSpaces(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.mid(first, last - first);
}

}  // namespace

FerryLogin::FerryLogin(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmFerryLogin>()) {
    ui->setupUi(this);
    ui->cmdPictavo->hide();
    ui->Picture1->setPixmap(
        style()->standardIcon(QStyle::SP_DriveNetIcon, nullptr, this).pixmap(48));
    ui->lblLink->setText(productPageAddress());
    ui->lblLink->installEventFilter(this);
    connect(ui->cmdConnect, &QPushButton::clicked, this, &FerryLogin::cmdConnect_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &FerryLogin::cmdCancel_Click);
    Form_Load();
}

bool FerryLogin::ShowForm(QString& sAddress, QString& sPort, QString& sUserName, QString& sPassword,
                          bool& bIsAnonymous, bool& bPassive) {
    const QString settings = settingsPath();
    sAddress = readProfileString(kSection, kAddressKey, QString(), kSettingBuffer, settings);
    sUserName = readProfileString(kSection, kUserNameKey, QString(), kSettingBuffer, settings);
    sPassword = LoadPassword();
    m_bCancelled = true;
    ui->txtUserName->setText(sUserName);
    ui->txtPassword->setText(sPassword);
    if (!sPassword.isEmpty())
        ui->chkSavePassword->setChecked(true);

    dialogs().exec(*this);

    bool result = false;
    if (!m_bCancelled) {
        sPort = servicePort();
        sAddress = ui->txtUserName->text() + u'.' + serviceDomain();
        sUserName = TrimSpaces(ui->txtUserName->text());
        sPassword = TrimSpaces(ui->txtPassword->text());
        bIsAnonymous = false;
        bPassive = false;
        result = checkInternetConnection(this);
    }

    m_bSettingsSaved = writeProfileString(kSection, kAddressKey, sAddress, settings) &&
                       writeProfileString(kSection, kUserNameKey, sUserName, settings) &&
                       (ui->chkSavePassword->isChecked()
                            ? SavePassword(sPassword)
                            : writeProfileString(kSection, kPasswordKey, QString(), settings));
    return result;
}

bool FerryLogin::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->lblLink && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            ui->lblLink->rect().contains(mouse->position().toPoint())) {
            lblLink_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FerryLogin::keyPressEvent(QKeyEvent* event) {
    if (!pressCancelOnEscape(event, ui->cmdCancel))
        QDialog::keyPressEvent(event);
}

void FerryLogin::Form_Load() {
    QFont font = ui->lblLink->font();
    font.setUnderline(true);
    ui->lblLink->setFont(font);
    QPalette palette = ui->lblLink->palette();
    // The style's own link colour stays readable on dark themes too.
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Link));
    ui->lblLink->setPalette(palette);
    ui->lblLink->setCursor(ui->cmdPictavo->cursor());
}

void FerryLogin::cmdConnect_Click() {
    if (ui->txtUserName->text().isEmpty() || ui->txtPassword->text().isEmpty()) {
        FerryConnect& notice = ferryConnect();
        notice.setWindowTitle(boxTitle(QStringLiteral("- Enter username & password")));
        notice.form().Label1->setText(
            QStringLiteral("Please enter your user name and a password."));
        notice.showButtons(true, false, false);
        dialogs().exec(notice);
        return;
    }
    m_bCancelled = false;
    hide();
}

void FerryLogin::cmdCancel_Click() {
    m_bCancelled = true;
    hide();
}

void FerryLogin::lblLink_Click() {
    OpenWebPage(productPageAddress());
}

FerryLogin::~FerryLogin() = default;
