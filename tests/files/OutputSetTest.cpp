#include "files/FileCalls.h"
#include "files/FileError.h"
#include "files/OutputSet.h"
#include "tests/files/FileTestSupport.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace tavi {
namespace {

namespace fs = std::filesystem;
using test::slurp;

// The system's calls, but the n-th write, renaming, flush or reservation fails with a full disk,
// and with persisting every one after it too, as on a disk that has died; and no file may be
// made in the folder noNewFiles, whose outputs are copied into place.
class FailingCalls : public FileCalls {
public:
    FailingCalls(int n, bool persisting) : m_n(n), m_persisting(persisting) {}

    int create(const std::string& name, mode_t mode) override {
        if (name.starts_with("noNewFiles/")) {
            errno = EACCES;
            return -1;
        }
        return FileCalls::create(name, mode);
    }
    ssize_t write(int descriptor, const void* data, std::size_t size) override {
        return fails() ? -1 : FileCalls::write(descriptor, data, size);
    }
    int rename(const std::string& from, const std::string& to, bool exchange) override {
        return fails() ? -1 : FileCalls::rename(from, to, exchange);
    }
    int sync(int descriptor) override { return fails() ? -1 : FileCalls::sync(descriptor); }
    int reserve(int descriptor, off_t length) override {
        return fails() ? -1 : FileCalls::reserve(descriptor, length);
    }

    int calls() const { return m_calls; }

private:
    bool fails() {
        ++m_calls;
        errno = ENOSPC;
        return m_calls == m_n || (m_persisting && m_calls > m_n);
    }

    int m_calls = 0;
    int m_n;
    bool m_persisting;
};

class OutputSetTest : public test::WorkingDirectoryTest {};

// For every n, each output holds its old text, or its complete new text and the message says it
// was already replaced, or the message says it was left incomplete; a failure of a single call
// leaves every old output as it was; nothing temporary stays behind.
TEST_F(OutputSetTest, AFailureAtAnyCallKeepsTheOldOutputsOrSaysWhichAreNot) {
    fs::create_directories("tmp");
    setenv("TMPDIR", (fs::current_path() / "tmp").c_str(), 1);
    // The covariance file is copied into place and grows; the CSV file is new.
    const std::map<std::string, std::string> old = {
        {"here/r.out", "old report\r\n"}, {"noNewFiles/r.cov", "old cov\r\n"}, {"here/t.csv", ""}};
    const std::map<std::string, std::string> made = {{"here/r.out", "new report\r\n"},
                                                     {"noNewFiles/r.cov", std::string(100000, 'c')},
                                                     {"here/t.csv", "new table\r\n"}};
    for (const bool persisting : {false, true}) {
        for (int n = 1;; ++n) {
            SCOPED_TRACE((persisting ? "every call from call " : "call ") + std::to_string(n));
            fs::remove_all("here");
            fs::remove_all("noNewFiles");
            fs::create_directories("here");
            fs::create_directories("noNewFiles");
            for (const auto& [name, text] : old) {
                if (!text.empty()) {
                    std::ofstream(name, std::ios::binary) << text;
                }
            }
            FailingCalls calls(n, persisting);
            std::string message;
            try {
                OutputSet outputs(calls);
                for (const std::string name : {"here/r.out", "noNewFiles/r.cov", "here/t.csv"}) {
                    outputs.add(name).write(made.at(name));
                }
                outputs.commit();
            } catch (const FileError& error) {
                message = error.what();
            }
            const std::string replaced =
                message.substr(std::min(message.find("; already replaced: "), message.size()));
            const std::string incomplete =
                message.substr(std::min(message.find("; left incomplete: "), message.size()));
            for (const auto& [name, text] : old) {
                const std::string now = fs::exists(name) ? slurp(name) : "";
                if (message.empty()) {
                    EXPECT_EQ(now, made.at(name)) << name;
                } else if (incomplete.find(name) == std::string::npos) {
                    EXPECT_EQ(now, replaced.find(name) == std::string::npos ? text : made.at(name))
                        << name << ": " << message;
                }
            }
            EXPECT_TRUE(persisting || (replaced.empty() && incomplete.empty())) << message;
            for (const std::string folder : {"here", "noNewFiles", "tmp"}) {
                for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
                    EXPECT_FALSE(entry.path().filename().string().starts_with(".") ||
                                 folder == "tmp")
                        << entry.path();
                }
            }
            if (message.empty()) {
                EXPECT_LT(calls.calls(), n) << "the commit succeeded although a call failed";
                break;
            }
        }
    }
}

}  // namespace
}  // namespace tavi
