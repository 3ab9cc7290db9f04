// Standard output that cannot take what a command prints is a failure of the command, as a full
// disk is for a file. Every action of tavi-calc prints through one CheckedOutput, which passes
// the text on and remembers why the first write failed.
#pragma once

#include <ostream>
#include <streambuf>

namespace tavi {

class CheckedOutput {
public:
    explicit CheckedOutput(std::ostream& out);
    CheckedOutput(const CheckedOutput&) = delete;
    CheckedOutput& operator=(const CheckedOutput&) = delete;

    // The stream the command prints on.
    std::ostream& stream() { return m_stream; }

    // Flushes what is printed. When something was lost, says why in one line on err, "tavi-calc:
    // standard output: Disk full", and returns kExitFileError unless status already tells of a
    // failure; otherwise returns status.
    int finish(std::ostream& err, int status);

private:
    class Forwarder : public std::streambuf {
    public:
        explicit Forwarder(std::streambuf* target) : m_target(target) {}
        // The errno value of the first failed write, or 0.
        int error() const { return m_error; }

    protected:
        int_type overflow(int_type c) override;
        std::streamsize xsputn(const char* text, std::streamsize count) override;
        int sync() override;

    private:
        void failed();

        std::streambuf* m_target;
        int m_error = 0;
    };

    Forwarder m_forwarder;
    std::ostream m_stream;
};

}  // namespace tavi
