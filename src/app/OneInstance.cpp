#include "OneInstance.h"

#include "Application.h"
#include "HandOverLock.h"
#include "InstanceNames.h"
#include "MappedRegion.h"
#include "NotifyChannel.h"
#include "SharedBlock.h"
#include "calc/ErrorReport.h"
#include "calc/Exception.h"
#include "calc/HandOverBlock.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <string>
#include <unistd.h>
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

[[noreturn]] void assertionFailed(const char* message, const char* file, int line) {
    char text[512];
    std::snprintf(text, sizeof text, "%s (%s, line %d)", message, file, line);
    throw EAssertionFailed(text);
}

HandOverBlock::Bytes blockOf(const MappedRegion& view) {
    return view.Bytes().first<HandOverBlock::Size>();
}

} // namespace

TOneInstance::TOneInstance(QObject* owner, TApplication& application)
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
    if (m_mappingHandle)
        return IsFirstInstance();
    auto names = InstanceNames::ForThisProgram();
    if (!names)
        return IsFirstInstance();
    m_names = std::make_unique<InstanceNames>(*names);
    m_mappingHandle = SharedBlock::CreateOrOpen(*m_names);
    if (!m_mappingHandle)
        return IsFirstInstance();
    MappedRegion view = m_mappingHandle->MapView();
    if (!view.IsMapped())
        return IsFirstInstance();
    if (m_mappingHandle->AlreadyExisted())
        HandOverToFirstInstance(view);
    else
        BecomeFirstInstance(view);
    return IsFirstInstance();
}

void TOneInstance::BecomeFirstInstance(MappedRegion& view) {
    const auto notifyId = static_cast<std::uint32_t>(::getpid());
    m_notifyWindow =
        NotifyChannel::Listen(m_names->NotifyPath(notifyId), [this](const QByteArray& message) {
            RunGuarded([&] { NotifyWindowProc(message); });
        });
    // Without a channel no later copy could reach this one: run as if alone.
    if (!m_notifyWindow)
        return;
    // Named in the block before the release below: a copy that takes over from a first copy
    // that did not answer may pass the lock on there, and the next copy must poke this one.
    HandOverBlock::SetNotifyId(blockOf(view), notifyId);
    ReleaseHandOverLock();
    CloseHandOverLock();
    m_lockHandle = HandOverLock::CreateOrOpen(m_names->LockPath());
    if (!m_lockHandle)
        assertionFailed("Unable to create semaphore", __FILE__, __LINE__);
    // Free only now: a new lock was made taken, so no later copy could read the block early.
    ReleaseHandOverLock();
}

void TOneInstance::HandOverToFirstInstance(MappedRegion& view) {
    if (!AcquireHandOverLock()) {
        BecomeFirstInstance(view);
        return;
    }
    std::vector<std::string> parameters;
    for (const QString& parameter : CommandLineParameters())
        parameters.push_back(parameter.toStdString());
    HandOverBlock::WriteParameters(blockOf(view), parameters);
    NotifyChannel::Post(m_names->NotifyPath(HandOverBlock::NotifyId(blockOf(view))));
    if (!AcquireHandOverLock()) {
        BecomeFirstInstance(view);
        return;
    }
    ReleaseHandOverLock();
    CloseHandOverLock();
    view.Unmap();
    m_application.SetShowMainForm(false);
    if (m_useHaltToExit)
        m_application.Halt(0);
    m_application.Terminate();
}

bool TOneInstance::AcquireHandOverLock() {
    if (!m_lockHandle)
        m_lockHandle = HandOverLock::Open(m_names->LockPath());
    return m_lockHandle && m_lockHandle->Wait(HandOverTimeout);
}

bool TOneInstance::ReleaseHandOverLock() {
    return m_lockHandle && m_lockHandle->Release();
}

void TOneInstance::CloseHandOverLock() {
    m_lockHandle.reset();
}

// The message a poke carries is not used yet: the parameters travel in the block.
void TOneInstance::NotifyWindowProc(const QByteArray& /*message*/) {
    if (!m_mappingHandle)
        return;
    MappedRegion view = m_mappingHandle->MapView();
    if (!view.IsMapped())
        return;
    QStringList params;
    {
        // The lock goes back as soon as the block has been read, also when reading fails, so
        // the later copy never waits on what the handler below does with the parameters.
        struct ReleaseOnExit {
            TOneInstance* guard;
            MappedRegion& view;
            ~ReleaseOnExit() {
                view.Unmap();
                guard->ReleaseHandOverLock();
            }
        } releaseOnExit{this, view};
        for (const std::string& parameter : HandOverBlock::ReadParameters(blockOf(view)))
            params.append(QString::fromStdString(parameter));
    }
    DoInstanceStarted(params);
}

void TOneInstance::DoInstanceStarted(const QStringList& params) {
    if (m_showOnNewInstance) {
        m_application.Restore();
        m_application.BringToFront();
    }
    if (m_onInstanceStarted)
        m_onInstanceStarted(this, params);
}

QStringList TOneInstance::CommandLineParameters() const {
    return QCoreApplication::arguments().mid(1);
}

} // namespace vexto
