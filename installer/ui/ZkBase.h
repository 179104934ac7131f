#pragma once
// The event mixin of the installer's windows and pages: a non-owning handle to
// the object that launched it, a callback run when it is destroyed, a second
// callback for a result, one integer setting, and the event entry point.
#include <cstdint>
#include <functional>

namespace ZKInstaller {

class ZkBase {
public:
    ZkBase() = default;
    // Runs the on-destroyed callback, if any.
    virtual ~ZkBase();
    ZkBase(const ZkBase&) = delete;
    ZkBase& operator=(const ZkBase&) = delete;

    // Codes and arguments are those the windows and pages exchange.
    virtual void OnEvent(uint32_t code, uint32_t argument, uint32_t extra);
    virtual void SetOnDestroyed(std::function<void()> callback);
    virtual void SetResultCallback(std::function<void(int)> callback);

    // Not owned: the owner outlives the windows it launches.
    void SetOwner(ZkBase* owner) { m_owner = owner; }
    ZkBase* GetOwner() const { return m_owner; }
    // Sends an event to the owner, when there is one.
    void NotifyOwner(uint32_t code, uint32_t argument = 0, uint32_t extra = 0);

    void SetSetting(int setting) { m_setting = setting; }
    int GetSetting() const { return m_setting; }

protected:
    void ReportResult(int result) {
        if (m_resultCallback) m_resultCallback(result);
    }

private:
    ZkBase* m_owner = nullptr;
    std::function<void()> m_onDestroyed;
    std::function<void(int)> m_resultCallback;
    int m_setting = 0;
};

}  // namespace ZKInstaller
