#include "app/CheckedOutput.h"

#include "app/CalcCommand.h"
#include "files/FileError.h"

#include <cerrno>

namespace tavi {

CheckedOutput::CheckedOutput(std::ostream& out)
    : m_forwarder(out.rdbuf()), m_stream(&m_forwarder) {}

int CheckedOutput::finish(std::ostream& err, int status) {
    m_stream.flush();
    if (m_forwarder.error() == 0) {
        return status;
    }
    err << "tavi-calc: standard output: " << fileErrorFromErrno(m_forwarder.error(), "").what()
        << "\n";
    return status == kExitComplete ? kExitFileError : status;
}

// errno is cleared before each call on, so that it tells about that call alone.
CheckedOutput::Forwarder::int_type CheckedOutput::Forwarder::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return sync() == 0 ? traits_type::not_eof(c) : traits_type::eof();
    }
    errno = 0;
    if (traits_type::eq_int_type(m_target->sputc(traits_type::to_char_type(c)),
                                 traits_type::eof())) {
        failed();
        return traits_type::eof();
    }
    return c;
}

std::streamsize CheckedOutput::Forwarder::xsputn(const char* text, std::streamsize count) {
    errno = 0;
    const std::streamsize written = m_target->sputn(text, count);
    if (written < count) {
        failed();
    }
    return written;
}

int CheckedOutput::Forwarder::sync() {
    errno = 0;
    if (m_target->pubsync() != 0) {
        failed();
        return -1;
    }
    return 0;
}

void CheckedOutput::Forwarder::failed() {
    // A failure that says nothing of its cause is the device's.
    if (m_error == 0) {
        m_error = errno != 0 ? errno : EIO;
    }
}

}  // namespace tavi
