#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <QString>

#include "ProgramFolder.h"
#include "RunningProgram.h"

// Fixture of the end-to-end tests: one program folder per test, and the program
// started from it. Set-up steps fail the test through gtest assertions, so call
// them under ASSERT_NO_FATAL_FAILURE.
class ProgramTest : public ::testing::Test {
protected:
    explicit ProgramTest(const QString& folderName = QStringLiteral("tarifon"));

    // The demo database and a de501.ini naming it, followed by `moreSettings`.
    void addDemoDatabase(const QString& moreSettings = {});
    // Starts the program and waits until terminals can connect.
    void start(const QString& locale = QStringLiteral("pt_BR.UTF-8"));
    // Where the started program listens: the port, and termsim's --server argument.
    uint16_t port() const { return m_program->port(); }
    QString server() const { return m_program->server(); }
    // Sends `signal` and tells how the program ended ("exit 0", ...), followed by
    // the program's own output when it was anything else.
    std::string stop(int signal);

    ProgramFolder m_folder;
    std::unique_ptr<RunningProgram> m_program;
};
