#include "FerryConnect.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QStyle>
#include <memory>

#include "CancelKey.h"
#include "Dialogs.h"

namespace {

std::unique_ptr<FerryConnect>& PromptInstance() {
    static std::unique_ptr<FerryConnect> instance;
    return instance;
}

// Widgets must go before the application object does.
void DeletePrompt() {
    PromptInstance().reset();
}

}  // namespace

FerryConnect::FerryConnect(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmFerryConnect>()) {
    ui->setupUi(this);
    // Messages break their lines with a lone CR; only the text document lays that out as a break.
    ui->Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    ui->Picture1->setPixmap(
        style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this).pixmap(size));
    connect(ui->cmdConnect, &QPushButton::clicked, this, &FerryConnect::cmdConnect_Click);
    connect(ui->cmdOK, &QPushButton::clicked, this, &FerryConnect::cmdOK_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &FerryConnect::cmdCancel_Click);
}

bool FerryConnect::ShowForm() {
    m_bCancelled = true;
    dialogs().exec(*this);
    return !m_bCancelled;
}

void FerryConnect::showButtons(bool ok, bool connect, bool cancel) {
    for (auto [button, shown] :
         {std::pair{ui->cmdOK, ok}, {ui->cmdConnect, connect}, {ui->cmdCancel, cancel}}) {
        button->setVisible(shown);
        button->setEnabled(shown);
    }
}

void FerryConnect::keyPressEvent(QKeyEvent* event) {
    if (!pressCancelOnEscape(event, ui->cmdCancel))
        QDialog::keyPressEvent(event);
}

void FerryConnect::cmdConnect_Click() {
    m_bCancelled = false;
    hide();
}

void FerryConnect::cmdOK_Click() {
    m_bCancelled = true;
    hide();
}

void FerryConnect::cmdCancel_Click() {
    m_bCancelled = true;
    hide();
}

FerryConnect& ferryConnect() {
    auto& instance = PromptInstance();
    if (!instance) {
        instance = std::make_unique<FerryConnect>();
        qAddPostRoutine(DeletePrompt);
    }
    return *instance;
}

FerryConnect::~FerryConnect() = default;
