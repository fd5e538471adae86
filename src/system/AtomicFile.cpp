// What every system shares: the choice between replacing a file, writing it in place and writing
// a device directly, and the first failure kept. The system's own calls are in
// AtomicFile_posix.cpp and AtomicFile_win32.cpp.
#include "system/AtomicFile.h"

#include <cerrno>
#include <utility>

AtomicFile::AtomicFile(std::string target, ReplaceRules rules)
    : m_target(std::move(target)), m_rules(rules)
{
}

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Open()
{
    if (m_target == kStandardOutput) {
        m_way = Way::Direct;
        return OpenStandardOutput();
    }
    Destination destination;
    if (const int error = Locate(m_target, destination); error != 0)
        return Fail(Stage::Create, error);
    m_path = destination.Path;
    if (destination.Route == Way::Direct)
        return OpenFile(Way::Direct);
    m_way = Way::Replace;
    const int error = CreateTemporary();
    if (error == 0) {
        if (destination.Exists)
            KeepAttributes(destination);
        return true;
    }
    // A writable file in a folder that allows no new file: written in place, not atomically.
    if (destination.Exists && (error == EACCES || error == EPERM) && !m_rules.NeverInPlace)
        return OpenFile(Way::InPlace);
    return Fail(Stage::Create, error);
}

bool AtomicFile::Fail(Stage stage, int error)
{
    if (m_failedStage == Stage::None) {
        m_failedStage = stage;
        m_errno = error;
    }
    Discard();
    return false;
}
