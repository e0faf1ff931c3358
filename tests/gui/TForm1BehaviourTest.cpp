// The window's own behaviour: tabs removed on show, clearing the log, the context
// menu, the inert image buttons and the self-dismissing boxes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/Controller.h"
#include "support/Controls.h"
#include "support/FakeTerminalLibrary.h"
#include "support/Utf8.h"
#include "ui/StatusLamp.h"
#include "ui/TForm1.h"

using namespace tarifon;

namespace {

QStringList tabRow(const TForm1& form) {
    auto* pages = form.findChild<QTabWidget*>(s("PageControl1"));
    QStringList texts;
    for (int i = 0; i < pages->count(); ++i) {
        texts.append(pages->tabText(i));
    }
    return texts;
}

// Closes whatever modal box is still open after `ms`, so a box that fails to close by
// itself ends the test instead of hanging it. Reports whether it had to step in.
class Rescuer {
public:
    explicit Rescuer(int ms) {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            while (QWidget* box = QApplication::activeModalWidget()) {
                m_rescued = true;
                box->close();
            }
        });
        m_timer.start(ms);
    }
    bool rescued() const { return m_rescued; }

private:
    QTimer m_timer;
    bool m_rescued = false;
};

}  // namespace

TEST(TForm1Pages, TabRowOffersThreePagesAfterEveryShow) {
    FakeTerminalLibrary library;
    TForm1 form(library);
    auto* pages = form.findChild<QTabWidget*>(s("PageControl1"));
    EXPECT_EQ(tabRow(form), QStringList({s("Recebidos"), s("Messages"), s("Configuração"),
                                         s("Images"), s("WiFi")}));
    form.show();
    const QStringList offered{s("Recebidos"), s("Configuração"), s("WiFi")};
    EXPECT_EQ(tabRow(form), offered);
    form.hide();
    form.show();
    EXPECT_EQ(tabRow(form), offered);
    EXPECT_EQ(pages->count(), 3);

    // The removed pages and their controls live on and keep working.
    for (const char* name : {"TabSheet2", "TabSheet3", "Shape1", "Shape12", "StringGrid3",
                             "GrpIFace", "BtnImgRel", "IImg"}) {
        EXPECT_NE(form.findChild<QWidget*>(s(name)), nullptr) << name;
    }
    auto* lamp = form.findChild<StatusLamp*>(s("Shape2"));
    lamp->setColor(StatusLamp::kYellow);
    EXPECT_EQ(lamp->color(), StatusLamp::kYellow);
    EXPECT_FALSE(form.findChild<QWidget*>(s("TabSheet2"))->isVisible());

    // Captions of removed pages can still be set and read; shown tabs follow.
    form.setPageCaption(form.findChild<QWidget*>(s("TabSheet2")), s("Mensagens"));
    EXPECT_EQ(form.pageCaption(form.findChild<QWidget*>(s("TabSheet2"))), s("Mensagens"));
    form.setPageCaption(form.findChild<QWidget*>(s("TabSheet4")), s("Received"));
    EXPECT_EQ(tabRow(form), QStringList({s("Received"), s("Configuração"), s("WiFi")}));
}

TEST(TForm1Pages, CurrentPageFollowsThePageControlRule) {
    // current before the first show -> current after it
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"TabSheet4", "TabSheet4"},  // Recebidos stays
        {"TabSheet6", "TabSheet6"},  // start-up chose Configuração: it stays
        {"TabSheet7", "TabSheet7"},
        {"TabSheet2", "TabSheet6"},  // the tab that moves into position 1
        {"TabSheet3", "TabSheet7"},  // position 2 after Messages went
    };
    for (const auto& [before, after] : cases) {
        SCOPED_TRACE(before);
        FakeTerminalLibrary library;
        TForm1 form(library);
        auto* pages = form.findChild<QTabWidget*>(s("PageControl1"));
        pages->setCurrentWidget(form.findChild<QWidget*>(s(before)));
        form.show();
        ASSERT_NE(pages->currentWidget(), nullptr);
        EXPECT_EQ(pages->currentWidget()->objectName(), s(after));
        EXPECT_TRUE(pages->currentWidget()->isVisible());
    }
}

TEST(TForm1Behaviour, LimparEmptiesTheLogHoweverLong) {
    FakeTerminalLibrary library;
    TForm1 form(library);
    form.show();
    auto* log = form.findChild<QPlainTextEdit*>(s("MemoRecv"));
    for (int i = 0; i < 5000; ++i) {
        log->appendPlainText(QStringLiteral("#789100000%1").arg(i));
    }
    auto* clear = form.findChild<QToolButton*>(s("BtnClearMemo"));
    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_TRUE(log->toPlainText().isEmpty());
    EXPECT_EQ(log->blockCount(), 1);
    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_TRUE(log->toPlainText().isEmpty());
    log->appendPlainText(s("Servidor inicializado com sucesso."));
    EXPECT_EQ(log->toPlainText(), s("Servidor inicializado com sucesso."));
}

TEST(TForm1Behaviour, ImageAddAndDeleteButtonsDoNothing) {
    FakeTerminalLibrary library;
    TForm1 form(library);
    auto* grid = form.findChild<QTableWidget*>(s("StringGrid3"));
    grid->setItem(1, 0, new QTableWidgetItem(s("arroz.jpg")));
    grid->setItem(1, 1, new QTableWidgetItem(s("1")));
    grid->setCurrentCell(1, 0);
    auto* pages = form.findChild<QTabWidget*>(s("PageControl1"));
    pages->setCurrentWidget(form.findChild<QWidget*>(s("TabSheet3")));
    for (const char* name : {"BtnImgAdd", "BtnImgDel"}) {
        QTest::mouseClick(form.findChild<QToolButton*>(s(name)), Qt::LeftButton);
    }
    EXPECT_EQ(grid->rowCount(), 5);
    EXPECT_EQ(grid->item(1, 0)->text(), s("arroz.jpg"));
    EXPECT_EQ(grid->item(1, 1)->text(), s("1"));
    EXPECT_EQ(grid->currentRow(), 1);
}

TEST(TForm1Behaviour, RightClickOnTheWindowOpensTheTaskbarMenu) {
    FakeTerminalLibrary library;
    TForm1 form(library);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    int opened = 0;
    QObject::connect(form.pm_Barra_Tarefas, &QMenu::aboutToShow, [&opened] { ++opened; });
    // A right click on a frame travels up to the window.
    auto* frame = form.findChild<QWidget*>(s("gbx_Fundo"));
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(3, 3),
                            frame->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(frame, &event);
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(form.pm_Barra_Tarefas->isVisible());
    form.pm_Barra_Tarefas->close();
}

TEST(TForm1SelfDismiss, BoxClosesByItselfAsIfOkWasPressed) {
    FakeTerminalLibrary library;
    TForm1 form(library);
    form.dismissals().setDelay(std::chrono::milliseconds(50));
    Rescuer rescuer(5000);
    const QMessageBox::StandardButton answer =
        form.showSelfDismissingBox(MessageIcon::Information, s("Informação"),
                                   s("O Sistema Conectou com o Banco de Dados com Sucesso!"));
    EXPECT_FALSE(rescuer.rescued());
    EXPECT_EQ(answer, QMessageBox::Ok);
    EXPECT_FALSE(control<QTimer>(form, "time_OK")->isActive());
}

TEST(TForm1SelfDismiss, BoxOpenedInsideAnotherBoxClosesAndSoDoesTheOuterOne) {
    // A poller tick runs inside an open box and may open a second one.
    FakeTerminalLibrary library;
    TForm1 form(library);
    form.dismissals().setDelay(std::chrono::milliseconds(200));
    Rescuer rescuer(5000);
    QMessageBox::StandardButton inner = QMessageBox::NoButton;
    QTimer::singleShot(50, &form, [&] {
        inner = form.showSelfDismissingBox(MessageIcon::Error, s("Erro"), s("inner"));
    });
    const QMessageBox::StandardButton outer =
        form.showSelfDismissingBox(MessageIcon::Error, s("Erro"), s("outer"));
    EXPECT_FALSE(rescuer.rescued());
    EXPECT_EQ(inner, QMessageBox::Ok);
    EXPECT_EQ(outer, QMessageBox::Ok);
}

TEST(TForm1SelfDismiss, BoxClosedByTheOperatorLeavesLaterBoxesAlone) {
    FakeTerminalLibrary library;
    TForm1 form(library);
    form.dismissals().setDelay(std::chrono::milliseconds(200));
    // The operator presses OK at once.
    QTimer::singleShot(20, &form, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        box->button(QMessageBox::Ok)->click();
    });
    form.showSelfDismissingBox(MessageIcon::Error, s("Erro"), s("first"));

    // A plain box opened next must outlive the first box's deadline.
    bool stillOpenAfterDeadline = false;
    QTimer::singleShot(400, &form, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        stillOpenAfterDeadline = box != nullptr && box->text() == s("Escolha um terminal");
        if (box != nullptr) {
            box->button(QMessageBox::Ok)->click();
        }
    });
    form.dialogs().showMessage(s("Escolha um terminal"));
    EXPECT_TRUE(stillOpenAfterDeadline);
    EXPECT_FALSE(control<QTimer>(form, "time_OK")->isActive());
}
