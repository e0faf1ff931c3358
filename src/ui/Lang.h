#pragma once

#include <string>
#include <vector>

#include <QString>

#include "app/OperatorView.h"
#include "console/ConsolePages.h"

class TForm1;

// The three alert texts a language file carries besides the window's captions.
struct stlang {
    QString chooseterminal;
    QString serverstartfail;
    QString serverstartok;
};

// Where one text of a language file goes.
struct LangTarget {
    enum class Kind {
        Caption,  // a label's, button's, group's or menu item's text
        Page,     // a page's tab caption, also while its tab is removed
        Item,     // item `index` of a radio group; the selection stays
        Header,   // the image grid's header cell in column `index`
        Hint,     // a control's tooltip
        Alert,    // a field of stlang
        Text,     // a text the controller shows about configuration values
        Console,  // a text of the status page
    };
    Kind kind;
    const char* control = nullptr;
    int index = 0;
    QString stlang::*alert = nullptr;
    QString tarifon::ConfigTexts::*text = nullptr;
    std::string tarifon::console::ConsoleTexts::*consoleText = nullptr;
};

// One entry of a language file: where it is, its built-in text, where it goes.
struct LangEntry {
    const char* section;
    const char* key;
    const char* builtIn;  // UTF-8
    std::vector<LangTarget> targets;
};

// Every entry, in the order the loader reads and applies them.
const std::vector<LangEntry>& languageEntries();

// Reads the language file `fileName` in the program's folder and puts each text on the
// window's control it belongs to and the alert texts into `texts`. A missing file or
// entry gives the built-in text (mostly English). Reports nothing.
void LoadLang(TForm1& window, const QString& fileName, stlang& texts);
