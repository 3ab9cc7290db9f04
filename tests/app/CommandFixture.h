// tavi-calc run in process in a private working directory, its standard output and error kept.
#pragma once

#include "app/CalcCommand.h"
#include "tests/engine/RunFixture.h"

#include <sstream>
#include <vector>

namespace tavi::test {

class CommandFixture : public RunFixture {
protected:
    int command(std::vector<const char*> arguments) {
        m_out.str("");
        m_err.str("");
        return runCalcCommand(static_cast<int>(arguments.size()), arguments.data(), m_out, m_err,
                              false);
    }

    std::ostringstream m_out;
    std::ostringstream m_err;
};

}  // namespace tavi::test
