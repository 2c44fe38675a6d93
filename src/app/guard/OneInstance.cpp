#include "OneInstance.h"

#include "GuardedApplication.h"
#include "HandOverLock.h"
#include "InstanceNames.h"
#include "NotifyChannel.h"
#include "SharedBlock.h"
#include "app/desktop/Desktop.h"
#include "calc/ErrorReport.h"
#include "calc/Exception.h"
#include "calc/HandOverBlock.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace vexto {

namespace {

constexpr std::chrono::milliseconds HandOverTimeout{10'000};

// The process guard record: the guard that exists in this process, if any.
TOneInstance* processGuard = nullptr;

QObject* refuseSecondGuard(QObject* owner) {
    if (processGuard)
        throw Exception("Drop only one of these components on your form !");
    return owner;
}

// The source file's name without the folder it was built in, which means nothing to a user.
constexpr const char* sourceFileName(const char* path) {
    const char* name = path;
    for (const char* c = path; *c; ++c)
        if (*c == '/')
            name = c + 1;
    return name;
}

[[noreturn]] void assertionFailed(const char* message, const char* path, int line) {
    char text[512];
    std::snprintf(text, sizeof text, "%s (%s, line %d)", message, sourceFileName(path), line);
    throw EAssertionFailed(text);
}

} // namespace

TOneInstance::TOneInstance(QObject* owner, GuardedApplication& application)
    : QObject(refuseSecondGuard(owner)), m_application(application) {
    processGuard = this;
}

TOneInstance::~TOneInstance() {
    m_mappingHandle.reset();
    m_notifyWindow.reset();
    CloseHandOverLock();
    processGuard = nullptr;
}

void TOneInstance::Loaded() {
    CheckInstance();
}

bool TOneInstance::IsFirstInstance() const {
    return m_notifyWindow != nullptr;
}

bool TOneInstance::CheckInstance() {
    // Decides once; the answer stands for the guard's lifetime.
    if (m_mappingHandle || m_names)
        return IsFirstInstance();
    auto names = InstanceNames::ForThisProgram();
    if (!names)
        return IsFirstInstance();
    m_names = std::make_unique<InstanceNames>(*names);
    m_mappingHandle = SharedBlock::CreateOrOpen(*m_names);
    if (!m_mappingHandle)
        return IsFirstInstance();
    if (m_mappingHandle->AlreadyExisted())
        HandOverToFirstInstance();
    else
        BecomeFirstInstance();
    return IsFirstInstance();
}

void TOneInstance::BecomeFirstInstance() {
    m_notifyWindow = NotifyChannel::Listen(*m_names, [this](const QByteArray& message) {
        RunGuarded([&] { NotifyWindowProc(message); });
    });
    if (!m_notifyWindow) {
        RunAlone();
        return;
    }
    // Named in the block before the release below: a copy that takes over from a first copy
    // that did not answer may pass the lock on there, and the next copy must poke this one. A
    // block damaged meanwhile is repaired by the next copy, which finds this one listening.
    m_mappingHandle->WriteNotifyId(m_notifyWindow->Id());
    ReleaseHandOverLock();
    CloseHandOverLock();
    m_lockHandle = HandOverLock::CreateOrOpen(*m_names);
    if (!m_lockHandle)
        assertionFailed("Unable to create semaphore", __FILE__, __LINE__);
    // Free only now: a new lock was made taken, so no later copy could read the block early.
    ReleaseHandOverLock();
}

void TOneInstance::RunAlone() {
    // No later copy could reach this one, so none may wait for it: every lock goes, and the
    // next copy finds no live holder and becomes the first itself.
    ReleaseHandOverLock();
    CloseHandOverLock();
    m_mappingHandle.reset();
}

void TOneInstance::HandOverToFirstInstance() {
    if (!AcquireHandOverLock()) {
        BecomeFirstInstance();
        return;
    }
    std::vector<std::string> parameters;
    for (const QString& parameter : CommandLineParameters())
        parameters.push_back(parameter.toStdString());
    const auto block = m_mappingHandle->Read();
    if (!block || !m_mappingHandle->WriteParameters(parameters)) {
        BecomeFirstInstance();
        return;
    }
    NotifyChannel::Post(*m_names, HandOverBlock::NotifyId(*block),
                        Desktop::IdentityForHandOver(m_application.LaunchIdentity()).ToMessage());
    if (!AcquireHandOverLock()) {
        BecomeFirstInstance();
        return;
    }
    ReleaseHandOverLock();
    CloseHandOverLock();
    m_application.SetShowMainForm(false);
    if (m_useHaltToExit)
        m_application.Halt(0);
    m_application.Terminate();
}

bool TOneInstance::AcquireHandOverLock() {
    if (!m_lockHandle)
        m_lockHandle = HandOverLock::Open(*m_names);
    return m_lockHandle && m_lockHandle->Wait(HandOverTimeout);
}

bool TOneInstance::ReleaseHandOverLock() {
    return m_lockHandle && m_lockHandle->Release();
}

void TOneInstance::CloseHandOverLock() {
    m_lockHandle.reset();
}

// A poke carries the later copy's startup identity; the parameters travel in the block.
void TOneInstance::NotifyWindowProc(const QByteArray& message) {
    if (!m_mappingHandle)
        return;
    const auto block = m_mappingHandle->Read();
    if (!block)
        return;
    QStringList params;
    for (const std::string& parameter : HandOverBlock::ReadParameters(*block))
        params.append(QString::fromStdString(parameter));
    // The lock goes back as soon as the block has been read, so the later copy never waits on
    // what the handler below does with the parameters.
    ReleaseHandOverLock();
    m_laterCopyLaunch = StartupIdentity::FromMessage(message);
    DoInstanceStarted(params);
}

void TOneInstance::DoInstanceStarted(const QStringList& params) {
    if (m_showOnNewInstance) {
        m_application.Restore();
        m_application.BringToFront(m_laterCopyLaunch);
    }
    if (m_onInstanceStarted)
        m_onInstanceStarted(this, params);
}

QStringList TOneInstance::CommandLineParameters() const {
    return m_application.CommandLineParameters();
}

} // namespace vexto
