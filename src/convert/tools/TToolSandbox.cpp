#include "convert/tools/TToolSandbox.h"

#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_LINUX
// Landlock's interface, spelled out: Debian 12's headers know only its first versions.
#ifndef __NR_landlock_create_ruleset
#define __NR_landlock_create_ruleset 444
#define __NR_landlock_add_rule 445
#define __NR_landlock_restrict_self 446
#endif

constexpr uint64_t kExecute = 1ULL << 0;
constexpr uint64_t kWriteFile = 1ULL << 1;
constexpr uint64_t kReadFile = 1ULL << 2;
constexpr uint64_t kReadDir = 1ULL << 3;
constexpr uint64_t kTruncate = 1ULL << 14; // version 3
constexpr uint64_t kIoctlDev = 1ULL << 15; // version 5
constexpr uint64_t kFileRights = kExecute | kWriteFile | kReadFile | kTruncate | kIoctlDev;
constexpr uint32_t kCreateRulesetVersion = 1U << 0;
constexpr int kRulePathBeneath = 1;

struct RulesetAttr
{
    uint64_t handledAccessFs;
};

struct __attribute__((packed)) PathBeneathAttr
{
    uint64_t allowedAccess;
    int32_t parentFd;
};

int LandlockVersion()
{
    static const int version = [] {
        const long v = ::syscall(__NR_landlock_create_ruleset, nullptr, 0, kCreateRulesetVersion);
        return v < 0 ? 0 : static_cast<int>(v);
    }();
    return version;
}

// Every right the running kernel's Landlock knows: what it does not handle stays allowed.
uint64_t HandledRights(int version)
{
    uint64_t rights = (1ULL << 13) - 1; // version 1: execute .. make symlink
    if (version >= 2)
        rights |= 1ULL << 13; // refer
    if (version >= 3)
        rights |= kTruncate;
    if (version >= 5)
        rights |= kIoctlDev;
    return rights;
}

void AddRule(int ruleset, const QString &path, uint64_t rights, uint64_t handled)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_PATH | O_CLOEXEC);
    if (fd < 0)
        return; // nothing there to allow
    const bool folder = QFileInfo(path).isDir();
    PathBeneathAttr rule{(folder ? rights : rights & kFileRights) & handled, fd};
    if (rule.allowedAccess != 0)
        ::syscall(__NR_landlock_add_rule, ruleset, kRulePathBeneath, &rule, 0);
    ::close(fd);
}

#if defined(__x86_64__)
constexpr uint32_t kAuditArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr uint32_t kAuditArch = AUDIT_ARCH_AARCH64;
#endif
#endif

} // namespace

void TToolSandbox::AllowRead(const QString &path)
{
    if (!path.isEmpty())
        m_reads.append(QFileInfo(path).absoluteFilePath());
}

void TToolSandbox::AllowWrite(const QString &path)
{
    if (!path.isEmpty())
        m_writes.append(QFileInfo(path).absoluteFilePath());
}

bool TToolSandbox::IsFileFenceAvailable()
{
#ifdef Q_OS_LINUX
    return LandlockVersion() >= 1;
#else
    return false;
#endif
}

QStringList TToolSandbox::ExtraWritableFolders()
{
    return qEnvironmentVariable("QUARNEL_TOOLS_MAY_WRITE").split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

int TToolSandbox::BuildRules(const QString &program) const
{
#ifdef Q_OS_LINUX
    const int version = LandlockVersion();
    if (version < 1)
        return -1;
    const uint64_t handled = HandledRights(version);
    RulesetAttr attr{handled};
    const int ruleset = static_cast<int>(::syscall(__NR_landlock_create_ruleset, &attr, sizeof attr, 0));
    if (ruleset < 0)
        return -1;
    const uint64_t read = kReadFile | kReadDir;
    const uint64_t run = read | kExecute;
    for (const char *system : {"/usr", "/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32", "/etc", "/opt"})
        AddRule(ruleset, QString::fromLatin1(system), run, handled);
    for (const char *system : {"/proc", "/sys"})
        AddRule(ruleset, QString::fromLatin1(system), read, handled);
    // /dev/null, the console, a disc drive's ioctls.
    AddRule(ruleset, QStringLiteral("/dev"), read | kWriteFile | kTruncate | kIoctlDev, handled);
    AddRule(ruleset, QFileInfo(program).absolutePath(), run, handled);
    for (const QString &path : m_reads)
        AddRule(ruleset, path, read, handled);
    for (const QString &path : m_writes + ExtraWritableFolders())
        AddRule(ruleset, path, handled & ~kExecute, handled);
    return ruleset;
#else
    Q_UNUSED(program);
    return -1;
#endif
}

void TToolSandbox::Enter(int rules) noexcept
{
#ifdef Q_OS_LINUX
    ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    if (rules >= 0)
        ::syscall(__NR_landlock_restrict_self, rules, 0);
#if defined(__x86_64__) || defined(__aarch64__)
    // socket(domain, ...) with any domain but AF_UNIX fails with EACCES; other architectures'
    // calls are let through rather than misread.
    static const sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kAuditArch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_socket, 0, 4),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AF_UNIX, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EACCES & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    static const sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]),
                                    const_cast<sock_filter *>(filter)};
    ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program, 0, 0);
#endif
#else
    Q_UNUSED(rules);
#endif
}
