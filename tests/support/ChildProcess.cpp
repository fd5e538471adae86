#include "support/ChildProcess.h"

#include "system/Paths.h"

namespace t2ntest {

Child::Child(const std::string& program, const std::vector<std::string>& args,
             const ChildOptions& options)
{
    ChildOptions files = options;
    if (files.Out.What == Stream::Capture) {
        m_outPath = Utf8Path(m_captures.Path() / "stdout");
        files.Out = ToFile(m_outPath);
    }
    if (files.Err.What == Stream::Capture) {
        m_errPath = Utf8Path(m_captures.Path() / "stderr");
        files.Err = ToFile(m_errPath);
    }
    Start(program, args, files);
}

Child::~Child()
{
    if (Started() && !m_ended)
        WaitForEnd();
}

bool Child::PauseWhen(const std::function<bool()>& ready)
{
    while (Running()) {
        if (!ready())
            continue;
        if (!Pause())
            return false;
        if (ready())
            return true;
        Resume(); // too late: on to the next moment
    }
    return false;
}

ProgramResult Child::Wait()
{
    if (!Started())
        return m_result;
    if (!m_ended)
        WaitForEnd();
    if (!m_outPath.empty())
        m_result.Out = ReadWholeFile(m_outPath);
    if (!m_errPath.empty())
        m_result.Err = ReadWholeFile(m_errPath);
    return m_result;
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const ChildOptions& options)
{
    return Child(program, args, options).Wait();
}

} // namespace t2ntest
