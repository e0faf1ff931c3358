// The dialog seam: scripted answers, what was shown, and the error box text.
#include <gtest/gtest.h>

#include <QTimer>

#include "support/Controls.h"
#include "support/FakeTerminalLibrary.h"
#include "support/ScriptedDialogs.h"
#include "support/Utf8.h"
#include "ui/TForm1.h"

using namespace tarifon;

TEST(Dialogs, ApplicationErrorAddsAFullStopAfterALetterOrDigit) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"''abc'' is not a valid integer value", "''abc'' is not a valid integer value."},
        {"Canal 300", "Canal 300."},
        {"Não", "Não."},
        {"Failed to set data for 'Tarifon'", "Failed to set data for 'Tarifon'"},
        {"Pronto.", "Pronto."},
        {"Why?", "Why?"},
        {"path/", "path/"},
        {"", ""},
    };
    for (const auto& [message, shown] : cases) {
        EXPECT_EQ(applicationErrorText(s(message)), s(shown)) << message;
    }
}

TEST(Dialogs, WindowBoxesGoThroughTheSeamAndAreRecorded) {
    FakeTerminalLibrary library;
    TForm1 form(library);
    auto scripted = std::make_unique<ScriptedDialogs>();
    ScriptedDialogs& dialogs = *scripted;
    form.setDialogs(std::move(scripted));

    form.showApplicationError(s("''x'' is not a valid integer value"));
    ASSERT_EQ(dialogs.messages().size(), 1u);
    const MessageRequest& error = dialogs.messages()[0];
    EXPECT_EQ(error.caption, s("Tarifon"));
    EXPECT_EQ(error.icon, MessageIcon::Error);
    EXPECT_EQ(error.text, s("''x'' is not a valid integer value."));
    EXPECT_EQ(error.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_FALSE(error.selfDismissing);

    // A self-dismissing box through the seam is recorded as such and starts no timer.
    EXPECT_EQ(form.showSelfDismissingBox(MessageIcon::Error, s("Erro"), s("falha")),
              QMessageBox::Ok);
    EXPECT_TRUE(dialogs.messages().back().selfDismissing);
    EXPECT_FALSE(control<QTimer>(form, "time_OK")->isActive());

    form.dialogs().showMessage(s("Escolha um terminal"));
    EXPECT_EQ(dialogs.messages().back().caption, s("Tarifon"));
    EXPECT_EQ(dialogs.messages().back().icon, MessageIcon::None);

    // Questions: a queued answer, then the default button Yes.
    dialogs.answerNext(QMessageBox::No);
    EXPECT_EQ(form.dialogs().question(s("Confirm"), s("Deseja realmente ?")), QMessageBox::No);
    EXPECT_EQ(form.dialogs().question(s("Confirm"), s("Deseja realmente ?")), QMessageBox::Yes);
    EXPECT_EQ(dialogs.messages().back().icon, MessageIcon::Question);
    EXPECT_EQ(dialogs.messages().back().defaultButton, QMessageBox::Yes);
    EXPECT_EQ(dialogs.messages().size(), 5u);
}

TEST(Dialogs, FileDialogsAnswerQueuedPathsAndSharedSettingsStay) {
    FakeTerminalLibrary library;
    TForm1 form(library);
    auto scripted = std::make_unique<ScriptedDialogs>();
    ScriptedDialogs& dialogs = *scripted;
    form.setDialogs(std::move(scripted));

    // Before any caller sets them, the open dialog offers every readable picture.
    EXPECT_TRUE(form.OpenPictureDialog1.filter.contains(s("*.bmp")));
    EXPECT_TRUE(form.OpenPictureDialog1.filter.contains(s("*.jpg")));

    form.OpenPictureDialog1.filter = s("Banco de Dados Firebird (*.FDB)|*.FDB");
    form.OpenPictureDialog1.defaultSuffix = s("FDB");
    dialogs.chooseNextFile(s("/srv/pdv/loja.fdb"));
    EXPECT_EQ(form.dialogs().openFile(form.OpenPictureDialog1), s("/srv/pdv/loja.fdb"));
    // Nothing queued: cancelled. The next caller sees the settings the first one left.
    EXPECT_TRUE(form.dialogs().openFile(form.OpenPictureDialog1).isEmpty());
    ASSERT_EQ(dialogs.openDialogs().size(), 2u);
    EXPECT_EQ(dialogs.openDialogs()[1].defaultSuffix, s("FDB"));

    dialogs.chooseNextFile(QString());
    EXPECT_TRUE(form.dialogs().saveFile(form.SavePictureDialog1).isEmpty());
    EXPECT_EQ(dialogs.saveDialogs().size(), 1u);

    EXPECT_EQ(form.FontDialog1.pixelSize(), 11);
    EXPECT_FALSE(form.dialogs().chooseFont(form.FontDialog1).has_value());
    QFont chosen(s("DejaVu Sans"));
    dialogs.chooseNextFont(chosen);
    EXPECT_EQ(form.dialogs().chooseFont(form.FontDialog1), chosen);
}

TEST(Dialogs, DelphiStyleFiltersBecomeQtNameFilters) {
    EXPECT_EQ(qtNameFilters(s("Banco de Dados Firebird (*.FDB)|*.FDB|"
                              "Banco de Dados Interbase (*.GDB)|*.GDB")),
              QStringList({s("Banco de Dados Firebird (*.FDB *.fdb)"),
                           s("Banco de Dados Interbase (*.GDB *.gdb)")}));
    EXPECT_EQ(qtNameFilters(s("Bitmap (*.bmp)|*.BMP")), QStringList({s("Bitmap (*.BMP *.bmp)")}));
    EXPECT_EQ(qtNameFilters(s("Imagens|*.jpg;*.bmp")), QStringList({s("Imagens (*.jpg *.bmp)")}));
}
