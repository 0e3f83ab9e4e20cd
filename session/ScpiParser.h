#pragma once
// Reading SCPI program messages (IEEE 488.2 syntax): one line from a client holds message
// units separated by ';', each a header (":SOURce2:FREQuency", "*IDN", a trailing '?' for a
// query) and parameters separated by ','. Toolkit-free; nothing here knows the commands.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quavril::scpi {

// The standard error codes used by the instrument (SCPI-1999, chapter 21).
enum ErrorCode : int {
    NoError = 0,
    CommandError = -100,
    InvalidCharacter = -101,
    SyntaxError = -102,
    InvalidSeparator = -103,
    DataTypeError = -104,
    ParameterNotAllowed = -108,
    MissingParameter = -109,
    MnemonicTooLong = -112,
    UndefinedHeader = -113,
    HeaderSuffixOutOfRange = -114,
    NumericDataError = -120,
    InvalidSuffix = -131,
    CharacterDataTooLong = -144,
    StringDataError = -150,
    SettingsConflict = -221,
    DataOutOfRange = -222,
    IllegalParameterValue = -224,
    HardwareError = -240,
    QueueOverflow = -350,
};
// The standard text of a code ("Undefined header"); "Unknown error" for codes not listed.
std::string_view ErrorText(int code);
// Command errors (-100..-199) end the rest of the line; other errors do not.
constexpr bool IsCommandError(int code) {
    return code <= -100 && code >= -199;
}

// A mnemonic as typed: upper case, its numeric suffix apart ("SOUR2" -> "SOUR", 2).
struct Mnemonic {
    std::string Name;
    int Suffix = -1; // -1 when none was typed
};

struct Header {
    bool Common = false;   // "*IDN": Path holds the one mnemonic without the '*'
    bool Absolute = false; // a leading ':' starts again from the root
    bool Query = false;
    std::vector<Mnemonic> Path;
};

struct Parameter {
    enum class Kind { Number, Word, Text };
    Kind Type = Kind::Number;
    long double Value = 0; // Number
    std::string Unit;      // Number: its suffix in upper case, empty when none
    std::string Word;      // Word: upper case; Text: the string's contents
};

struct MessageUnit {
    Header Head;
    std::vector<Parameter> Parameters;
};

struct ParseError {
    int Code = NoError;
    std::string Detail;
};

// The units of one program message, one at a time. After an error the rest of the line is not
// read (IEEE 488.2 discards the message after a command error).
class MessageReader {
public:
    static constexpr size_t MaxMnemonic = 12;
    static constexpr size_t MaxParameters = 16;

    explicit MessageReader(std::string_view line) : text_(line) {}

    // The next unit; nothing at the end of the line or after an error (see Error()). Empty
    // units (";;") are skipped.
    std::optional<MessageUnit> Next();
    const ParseError& Error() const { return error_; }

private:
    bool ReadHeader(Header& head);
    bool ReadMnemonic(Mnemonic& m, bool common);
    bool ReadParameters(std::vector<Parameter>& out);
    bool ReadParameter(Parameter& p);
    bool ReadNumber(Parameter& p);
    bool ReadWord(std::string& word, size_t limit, int tooLong);
    bool ReadString(Parameter& p);
    bool Fail(int code, std::string detail = {});
    void SkipBlanks();
    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }

    std::string_view text_;
    size_t pos_ = 0;
    ParseError error_;
    bool failed_ = false;
};

} // namespace quavril::scpi
