// Speed of the single-instance guard: the first copy's decision (CheckInstance, which every
// start pays before its window shows), the hand-over round trip between a later copy and a
// running first copy, and a whole later copy from exec to exit.
#include "app/Application.h"
#include "app/guard/HandOverLock.h"
#include "app/guard/InstanceNames.h"
#include "app/guard/NotifyChannel.h"
#include "app/guard/OneInstance.h"
#include "app/guard/SharedBlock.h"
#include "calc/HandOverBlock.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

using namespace vexto;

namespace {

constexpr std::chrono::milliseconds Timeout{10'000};

QProcessEnvironment environmentFor(const QTemporaryDir& runtime) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // The copies meet under the names of no session, which the benchmark opens itself.
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return environment;
}

// A copy of this program run by the benchmarks below: the first copy stays until its standard
// input closes; a later copy hands over and ends.
int runCopy(TApplication& application) {
    TOneInstance guard(nullptr, application);
    guard.Loaded();
    if (!guard.IsFirstInstance())
        return application.Run();
    std::printf("ready\n");
    std::fflush(stdout);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &application, [&] {
        char buffer[16];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            input.setEnabled(false);
            application.Terminate();
        }
    });
    return application.Run();
}

struct FirstCopy {
    QTemporaryDir runtime;
    QProcess process;

    bool Start() {
        process.setProcessEnvironment(environmentFor(runtime));
        process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--copy")});
        return process.waitForReadyRead(10'000) && process.readAll().startsWith("ready");
    }
    ~FirstCopy() {
        process.closeWriteChannel();
        process.waitForFinished(5000);
    }
};

TApplication* theApplication = nullptr;

void BM_FirstCopyCheck(benchmark::State& state) {
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    for (auto _ : state) {
        TOneInstance guard(nullptr, *theApplication);
        benchmark::DoNotOptimize(guard.CheckInstance());
        state.PauseTiming();
        if (!guard.IsFirstInstance())
            state.SkipWithError("not the first copy");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstCopyCheck)->Unit(benchmark::kMicrosecond);

// What a later copy does between finding the block live and ending: take the lock, write ten
// parameters, poke the first copy, wait for its answer.
void BM_HandOverRoundTrip(benchmark::State& state) {
    FirstCopy first;
    if (!first.Start()) {
        state.SkipWithError("the first copy did not start");
        return;
    }
    const InstanceNames names(first.runtime.path(), InstanceNames::ProgramFileName());
    const auto block = SharedBlock::CreateOrOpen(names);
    const auto lock = block ? HandOverLock::Open(names) : nullptr;
    if (!block || !block->AlreadyExisted() || !lock) {
        state.SkipWithError("the first copy's objects are missing");
        return;
    }
    const std::vector<std::string> parameters(10, std::string(300, 'p'));
    for (auto _ : state) {
        if (!lock->Wait(Timeout))
            state.SkipWithError("lock not obtained");
        const auto contents = block->Read();
        if (!contents || !block->WriteParameters(parameters))
            state.SkipWithError("block unusable");
        NotifyChannel::Post(names, contents ? HandOverBlock::NotifyId(*contents) : 0);
        if (!lock->Wait(Timeout))
            state.SkipWithError("no answer");
        lock->Release();
    }
}
BENCHMARK(BM_HandOverRoundTrip)->Unit(benchmark::kMicrosecond);

// A whole later copy as the user starts it: exec, Qt start-up, hand-over, exit.
void BM_LaterCopyProcess(benchmark::State& state) {
    FirstCopy first;
    if (!first.Start()) {
        state.SkipWithError("the first copy did not start");
        return;
    }
    for (auto _ : state) {
        QProcess later;
        later.setProcessEnvironment(environmentFor(first.runtime));
        later.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--copy"), QStringLiteral("a parameter")});
        if (!later.waitForFinished(15'000) || later.exitCode() != 0)
            state.SkipWithError("the later copy did not end with 0");
    }
}
BENCHMARK(BM_LaterCopyProcess)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool copy = argc > 1 && std::strcmp(argv[1], "--copy") == 0;
    QApplication qtApplication(argc, argv);
    TApplication application;
    if (copy)
        return runCopy(application);

    theApplication = &application;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
