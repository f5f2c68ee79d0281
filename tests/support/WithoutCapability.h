#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// Takes one capability (CAP_SYS_NICE, CAP_NET_RAW, ...) out of the calling
// thread's effective set for its lifetime, and so out of the threads it starts
// meanwhile: a test run as root thus meets what an ordinary user meets. ok()
// is false when the process may not change its capabilities.
class WithoutCapability {
public:
    explicit WithoutCapability(int capability) {
        m_ok = syscall(SYS_capget, &m_header, m_saved) == 0;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[capability / 32].effective &= ~(1u << (capability % 32));
        m_ok = m_ok && syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~WithoutCapability() {
        if (m_ok) {
            syscall(SYS_capset, &m_header, m_saved);
        }
    }
    WithoutCapability(const WithoutCapability&) = delete;
    WithoutCapability& operator=(const WithoutCapability&) = delete;
    bool ok() const { return m_ok; }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_ok = false;
};
