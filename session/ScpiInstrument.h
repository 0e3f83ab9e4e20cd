#pragma once
// The generator as a SCPI instrument: the command tree, the common commands of IEEE 488.2,
// the error queue and the status bytes of one client. Every setting goes through ScpiHost as
// a user would set the control; every query answers what is in force. Toolkit-free.
//
// The header path rule of SCPI-1999: within one line, a header without a leading ':' starts
// where the previous one's last ':' left off ("SOUR2:FREQ 100;VOLT -6" sets both on the right
// channel); common commands ("*OPC") leave the path alone; every line starts at the root.
// Command errors (-1xx) end the rest of the line; a refused value (-2xx) leaves the setting
// as it was and the line goes on.
#include "session/ScpiHost.h"
#include "session/ScpiParser.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace quavril {

class ScpiInstrument {
public:
    static constexpr size_t QueueSize = 16;
    // Status byte and standard event status register bits.
    static constexpr uint8_t OperationComplete = 0x01;
    static constexpr uint8_t QueryError = 0x04;
    static constexpr uint8_t DeviceError = 0x08;
    static constexpr uint8_t ExecutionError = 0x10;
    static constexpr uint8_t CommandErrorBit = 0x20;
    static constexpr uint8_t ErrorAvailable = 0x04; // status byte: the queue holds errors
    static constexpr uint8_t EventSummary = 0x20;   // status byte: *ESR & *ESE
    static constexpr uint8_t RequestService = 0x40; // status byte: MSS

    // `identity` is the answer to *IDN?.
    ScpiInstrument(ScpiHost& host, std::string identity);

    // Runs one program message (a line without its newline) and returns the response message:
    // the answers of its queries joined by ';', empty when there is none.
    std::string Execute(std::string_view line);

    // The oldest error as SYSTem:ERRor? gives it ("-113,\"Undefined header\""), taken off the
    // queue; "0,\"No error\"" when it is empty.
    std::string NextError();
    size_t ErrorCount() const { return errors_.size(); }
    uint8_t StatusByte() const;

    // One resolved command at work; the handlers of the command tree read and answer it.
    struct Call {
        ScpiInstrument& Self;
        ScpiHost& Host;
        Channel Side = Channel::Left;
        bool Query = false;
        const std::vector<scpi::Parameter>& Parameters;
        std::string Answer;
        int Error = scpi::NoError;
        std::string Detail;

        bool Fail(int code, std::string detail = {}) {
            Error = code;
            Detail = std::move(detail);
            return false;
        }
    };

private:
    friend struct ScpiCommon;
    void Push(int code, std::string_view detail = {});
    void RunCommon(const scpi::MessageUnit& unit, Call& call);
    void RunTree(const std::vector<scpi::Mnemonic>& path, Call& call);

    ScpiHost& host_;
    std::string identity_;
    std::deque<std::string> errors_;
    uint8_t esr_ = 0; // standard event status register
    uint8_t ese_ = 0; // its enable mask
    uint8_t sre_ = 0; // service request enable mask
};

} // namespace quavril
