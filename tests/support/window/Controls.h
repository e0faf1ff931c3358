#pragma once

#include <stdexcept>
#include <string>

#include <QObject>
#include <QString>

// A control of the window found by its object name, as a person finds it by its
// place. A missing or mistyped name ends the test (gtest reports the exception).
template <class T>
T* control(const QObject& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromUtf8(name));
    if (found == nullptr) {
        throw std::runtime_error(std::string("no control named ") + name);
    }
    return found;
}
