#include <cerrno>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QSocketNotifier>

#include "app/Controller.h"
#include "app/ServiceLog.h"
#include "app/ServiceWatchdog.h"
#include "main/TermlinkLibrary.h"
#include "app/TimerLatenessProbe.h"
#include "base/OpenFileLimit.h"
#include "pricing/FbClient.h"
#include "ui/Application.h"
#include "ui/TForm1.h"

namespace {

int g_signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: the event loop picks the signal up.  The pipe is
// non-blocking, so a full pipe loses a byte instead of hanging the handler; one byte
// waiting is enough to close the window.
void onTerminationSignal(int signal) {
    const int savedErrno = errno;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
    errno = savedErrno;
}

// SIGTERM and SIGINT close the window, which runs the same shutdown as "Sair".
void closeOnTerminationSignals(TForm1& form) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_signalPipe) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &form);
    QObject::connect(notifier, &QSocketNotifier::activated, &form, [&form] {
        char bytes[64];
        while (::read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        form.close();
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// `--service`: started by the system service (packaging/tarifon.service) with no one at
// the screen.  The event log also goes to standard error for the journal.
bool serviceMode() {
    return QCoreApplication::arguments().contains(QStringLiteral("--service"));
}

// The installed program folder belongs to a group (setgid, see packaging/deb/postinst): the
// service and every desktop user in it replace each other's files there, and a save refuses a
// file it may not write.  So what we create there is group-writable whatever the user's umask.
void shareFilesWithTheFolderGroup() {
    struct stat folder {};
    const QByteArray path = QFile::encodeName(QCoreApplication::applicationDirPath());
    if (::stat(path.constData(), &folder) == 0 && (folder.st_mode & S_ISGID) != 0) {
        ::umask(::umask(0) & ~static_cast<mode_t>(S_IWGRP));
    }
}

}  // namespace

int main(int argc, char** argv) {
    // A regional setting the machine has no locale for leaves the C library in ASCII,
    // and the database client then cannot open a path with accented letters. Qt takes
    // the separators from the environment either way; keep the characters UTF-8.
    if (std::setlocale(LC_ALL, "") == nullptr) {
        std::setlocale(LC_CTYPE, "C.UTF-8");
    }
    tarifon::raiseOpenFileLimit();
    // The stop is ours: the window closes, the lookups end and detach, the database client
    // shuts down, and only then does main return (docs/architecture.md, "Stopping").
    tarifon::keepDatabaseClientFromSignals();
    QApplication app(argc, argv);
    tarifon::setUpApplication();
    shareFilesWithTheFolderGroup();

    tarifon::TermlinkLibrary library;
    const bool service = serviceMode();
    TForm1 form(library);
    if (service) {
        form.controller().setLogEcho(&tarifon::writeServiceLog);
    }
    bool closed = false;
    // exit(), not quit(): before exec() quit() does nothing, and a signal may close the
    // window while a start-up box runs its own loop; exit() ends that loop too.
    QObject::connect(&form, &TForm1::closed, &app, [&closed] {
        closed = true;
        QCoreApplication::exit(0);
    });
    closeOnTerminationSignals(form);
    form.FormCreate();
    // A service whose server cannot listen would run for nothing; ending with a failure
    // lets the service manager try again.
    const bool failed = service && !form.controller().listening();
    if (failed)
        form.close();
    std::optional<tarifon::TimerLatenessProbe> probe;
    if (form.controller().settings().performance.uiProbe) {
        probe.emplace();
    }
    // Ready only now: the server listens and the lookup workers have attached.
    tarifon::ServiceWatchdog watchdog;
    if (!failed)
        watchdog.start();
    int status = failed ? 1 : 0;
    // Closed during start-up: exec() would start a fresh loop that nothing ends.
    if (!closed) {
        if (form.controller().showAtStart() && !form.isVisible()) {
            form.show();
        }
        status = QApplication::exec();
    }
    if (!tarifon::shutDownDatabaseClient(std::chrono::seconds(10))) {
        std::fprintf(stderr, "the database client reported a failure as it shut down\n");
    }
    if (probe) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(probe->summary()));
    }
    return status;
}
