#pragma once
// Runs the programs built beside the tests (only the core tests know where they are).
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <csignal>
#include <functional>
#include <sys/resource.h>

namespace nax::test {

struct NaxReportRun {
    int exitCode = -1;
    QString out, err;
};

// `args` separated by '|'; "$db" stands for `db`. `setup` adjusts the process before it starts
// (environment, output file, limits of the child).
inline NaxReportRun runProgram(const QString& program, const QString& args, const QString& db = {},
                               const std::function<void(QProcess&)>& setup = {}) {
    QProcess process;
    if (setup) setup(process);
    process.start(program, QString(args).replace(QStringLiteral("$db"), db).split(QLatin1Char('|')));
    process.waitForFinished(60000);
    NaxReportRun run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// A file size limit in the child stands in for a full disk: writes beyond `bytes` fail.
inline std::function<void(QProcess&)> childFileSizeLimit(rlim_t bytes) {
    return [bytes](QProcess& process) {
        process.setChildProcessModifier([bytes] {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{bytes, bytes};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
    };
}

inline NaxReportRun runNaxReport(const QString& args, const QString& db = {},
                                 const std::function<void(QProcess&)>& setup = {}) {
    return runProgram(QStringLiteral(NAX_REPORT_EXE), args, db, setup);
}

} // namespace nax::test
