#include "ProgramTest.h"

ProgramTest::ProgramTest(const QString& folderName) : m_folder(folderName) {}

void ProgramTest::addDemoDatabase(const QString& moreSettings) {
    ASSERT_TRUE(m_folder.isValid());
    ASSERT_TRUE(m_folder.addDemoDatabase(moreSettings));
}

void ProgramTest::start(const QString& locale) {
    ASSERT_TRUE(m_folder.isValid());
    m_program = std::make_unique<RunningProgram>(m_folder, locale);
    ASSERT_TRUE(m_program->waitUntilListening()) << m_program->output().toStdString();
}

std::string ProgramTest::stop(int signal) {
    const std::string ending = m_program->stop(signal);
    return ending == "exit 0" ? ending : ending + '\n' + m_program->output().toStdString();
}
