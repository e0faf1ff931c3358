// The database path, its file dialog and the connection test.
#include <QAbstractButton>
#include <QLineEdit>

#include "app/Controller.h"
#include "ui/TForm1.h"
#include "ui_TForm1.h"

using namespace tarifon;

void TForm1::connectDatabase() {
    connect(ui->SpeedButton2, &QAbstractButton::clicked, this, &TForm1::SpeedButton2Click);
    connect(ui->SpeedButton3, &QAbstractButton::clicked, this, &TForm1::SpeedButton3Click);
}

void TForm1::SpeedButton2Click() {
    OpenPictureDialog1.defaultSuffix = QStringLiteral("FDB");
    OpenPictureDialog1.filter = QStringLiteral(
        "Banco de Dados Firebird (*.FDB)|*.FDB|Banco de Dados Interbase (*.GDB)|*.GDB");
    const QString path = dialogs().openFile(OpenPictureDialog1);
    if (!path.isEmpty()) {
        ui->edt_Caminho_Banco->setText(path);
    }
}

void TForm1::SpeedButton3Click() {
    m_controller->testConnection([this](const DbResult<void>& result) {
        if (result.ok()) {
            showSelfDismissingBox(
                MessageIcon::Information, QStringLiteral("Informação"),
                QStringLiteral("O Sistema Conectou com o Banco de Dados com Sucesso!"));
            return;
        }
        dialogs().error(
            QStringLiteral("Erro"),
            QStringLiteral("Falha Durante Tentativa de Conexão com o Banco de Dados VESTRA.") +
                QStringLiteral("\r\n") + result.error().message);
        ui->PageControl1->setCurrentWidget(ui->TabSheet6);
    });
}

void TForm1::warnDatabasePathMissing() {
    dialogs().message({.icon = MessageIcon::Warning,
                       .caption = QStringLiteral("Confirmação"),
                       .text = QStringLiteral("Atenção! Caminho do Banco de dados do PDV ainda "
                                              "não foi definido. \r\rAdicione o caminho do "
                                              "banco de dados.")});
    ui->PageControl1->setCurrentWidget(ui->TabSheet6);
    show();
}

void TForm1::showDatabaseFailure() {
    showSelfDismissingBox(
        MessageIcon::Error, QStringLiteral("Erro"),
        QStringLiteral("Falha Durante Tentativa de Conexão com o Banco de Dados do PDV!"));
}
