#pragma once

#include <cstddef>
#include <string>

// Writes a file so that readers see either the old content or the whole new one: the bytes go to
// a temporary file beside the target, and Commit() renames it over the target. Destroying an
// AtomicFile that was not committed removes the temporary file and leaves the target as it was.
// Targets that are not regular files (devices, pipes) are written directly.
class AtomicFile
{
  public:
    // Where a failure happened: creating the output, or writing and committing it.
    enum class Stage {
        None,
        Create,
        Write,
    };

    // The target name that means the process's standard output, written directly.
    static constexpr const char* kStandardOutput = "-";

    // `target` is a UTF-8 path. Nothing is opened until Open().
    explicit AtomicFile(std::string target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file (or opens a device target). False on failure: see Errno().
    [[nodiscard]] bool Open();
    // Appends bytes; false on failure. Nothing is written after a failure.
    [[nodiscard]] bool Write(const char* data, std::size_t size);
    // Flushes, syncs and renames the temporary file over the target; false on failure, after
    // which the target is as it was and no temporary file is left.
    [[nodiscard]] bool Commit();

    // The errno value of the first failure, 0 while none.
    [[nodiscard]] int Errno() const { return m_errno; }
    [[nodiscard]] Stage FailedStage() const { return m_failedStage; }
    [[nodiscard]] const std::string& Target() const { return m_target; }

  private:
    bool Fail(Stage stage, int error);
    void Discard();

    std::string m_target;
    std::string m_temporary; // empty when writing directly or once committed
    int m_fd = -1;
    int m_errno = 0;
    Stage m_failedStage = Stage::None;
    bool m_direct = false;
};
