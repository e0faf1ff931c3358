#pragma once

#include <QString>

namespace tarifon {

// Shows the operator a bare text in a modal box: caption the application title
// ("Tarifon"), an OK button, no icon.  The window implements it; tests record it.
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void showNotice(const QString& text) = 0;
};

}  // namespace tarifon
