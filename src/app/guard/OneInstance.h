#pragma once

#include "app/desktop/StartupIdentity.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

namespace vexto {

class HandOverLock;
class InstanceNames;
class NotifyChannel;
class SharedBlock;
class GuardedApplication;

// The single-instance guard. Once the main window's layout is complete (Loaded), the guard
// decides whether this is the first copy of the program. The first copy makes a hand-over block,
// a hand-over lock and a notification channel that later copies find by the program file's name.
// A later copy takes the lock, writes its parameters into the block, pokes the first copy and
// waits until the first copy has read them and released the lock; then it ends without showing
// its window. The first copy reads the block on its event loop, comes to the front and passes
// the parameters to OnInstanceStarted. Any wait that lasts 10 s makes the waiting copy the first.
class TOneInstance : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TOneInstance)

public:
    using TOnInstanceStarted = std::function<void(TOneInstance* sender, const QStringList& params)>;

    // Throws Exception when the process already has a guard.
    TOneInstance(QObject* owner, GuardedApplication& application);
    ~TOneInstance() override;

    // The after-loading notification: runs CheckInstance. A later copy has, on return, cleared
    // the application's ShowMainForm and asked it to terminate, or has halted. Throws
    // EAssertionFailed when this copy should become the first but can't create the lock.
    void Loaded();

    bool CheckInstance();
    bool IsFirstInstance() const;

    bool ShowOnNewInstance() const { return m_showOnNewInstance; }
    void SetShowOnNewInstance(bool show) { m_showOnNewInstance = show; }
    bool UseHaltToExit() const { return m_useHaltToExit; }
    void SetUseHaltToExit(bool halt) { m_useHaltToExit = halt; }
    const TOnInstanceStarted& OnInstanceStarted() const { return m_onInstanceStarted; }
    void SetOnInstanceStarted(TOnInstanceStarted handler) {
        m_onInstanceStarted = std::move(handler);
    }

protected:
    // The first copy's answer to a hand-over: restores and raises the application when
    // ShowOnNewInstance is set, then calls OnInstanceStarted.
    virtual void DoInstanceStarted(const QStringList& params);

    // This copy's parameters: the command line without the program path.
    virtual QStringList CommandLineParameters() const;

private:
    void BecomeFirstInstance();
    void HandOverToFirstInstance();
    void RunAlone();
    bool AcquireHandOverLock();
    bool ReleaseHandOverLock();
    void CloseHandOverLock();
    void NotifyWindowProc(const QByteArray& message);

    GuardedApplication& m_application;
    // The launch of the later copy being answered: its window activation is this copy's.
    StartupIdentity m_laterCopyLaunch;
    std::unique_ptr<InstanceNames> m_names;
    std::unique_ptr<SharedBlock> m_mappingHandle;
    std::unique_ptr<NotifyChannel> m_notifyWindow;
    std::unique_ptr<HandOverLock> m_lockHandle;
    bool m_showOnNewInstance = true;
    bool m_useHaltToExit = false;
    TOnInstanceStarted m_onInstanceStarted;
};

} // namespace vexto
