#include "session/ScpiParser.h"

#include "synth/NumberText.h"

#include <cctype>

namespace quavril::scpi {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}
bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

} // namespace

std::string_view ErrorText(int code) {
    switch (code) {
    case NoError:
        return "No error";
    case CommandError:
        return "Command error";
    case InvalidCharacter:
        return "Invalid character";
    case SyntaxError:
        return "Syntax error";
    case InvalidSeparator:
        return "Invalid separator";
    case DataTypeError:
        return "Data type error";
    case ParameterNotAllowed:
        return "Parameter not allowed";
    case MissingParameter:
        return "Missing parameter";
    case MnemonicTooLong:
        return "Program mnemonic too long";
    case UndefinedHeader:
        return "Undefined header";
    case HeaderSuffixOutOfRange:
        return "Header suffix out of range";
    case NumericDataError:
        return "Numeric data error";
    case InvalidSuffix:
        return "Invalid suffix";
    case CharacterDataTooLong:
        return "Character data too long";
    case StringDataError:
        return "String data error";
    case SettingsConflict:
        return "Settings conflict";
    case DataOutOfRange:
        return "Data out of range";
    case IllegalParameterValue:
        return "Illegal parameter value";
    case HardwareError:
        return "Hardware error";
    case QueueOverflow:
        return "Queue overflow";
    default:
        return "Unknown error";
    }
}

bool MessageReader::Fail(int code, std::string detail) {
    if (!failed_)
        error_ = {code, std::move(detail)};
    failed_ = true;
    return false;
}

void MessageReader::SkipBlanks() {
    while (!AtEnd() && IsBlank(text_[pos_]))
        ++pos_;
}

std::optional<MessageUnit> MessageReader::Next() {
    while (!failed_) {
        SkipBlanks();
        if (AtEnd())
            return std::nullopt;
        if (Peek() == ';') {
            ++pos_;
            continue;
        }
        MessageUnit unit;
        if (!ReadHeader(unit.Head))
            return std::nullopt;
        // A header ends at blanks (parameters follow), at ';' or at the end of the line.
        const bool separated = IsBlank(Peek());
        SkipBlanks();
        if (!AtEnd() && Peek() != ';') {
            if (!separated) {
                Fail(Peek() == ',' ? InvalidSeparator : InvalidCharacter);
                return std::nullopt;
            }
            if (!ReadParameters(unit.Parameters))
                return std::nullopt;
        }
        if (!AtEnd())
            ++pos_; // the ';'
        return unit;
    }
    return std::nullopt;
}

bool MessageReader::ReadHeader(Header& head) {
    if (Peek() == '*') {
        ++pos_;
        head.Common = true;
        head.Path.emplace_back();
        if (!ReadMnemonic(head.Path.back(), true))
            return false;
    } else {
        if (Peek() == ':') {
            head.Absolute = true;
            ++pos_;
        }
        for (;;) {
            head.Path.emplace_back();
            if (!ReadMnemonic(head.Path.back(), false))
                return false;
            if (Peek() != ':')
                break;
            ++pos_;
        }
    }
    if (Peek() == '?') {
        head.Query = true;
        ++pos_;
    }
    return true;
}

// letter (letter | digit | '_')*, trailing digits being the numeric suffix; common command
// mnemonics are letters only.
bool MessageReader::ReadMnemonic(Mnemonic& m, bool common) {
    if (!IsLetter(Peek()))
        return AtEnd() ? Fail(SyntaxError, "header expected") : Fail(InvalidCharacter);
    const size_t start = pos_;
    while (!AtEnd() && (IsLetter(Peek()) || (!common && (IsDigit(Peek()) || Peek() == '_'))))
        ++pos_;
    std::string_view typed = text_.substr(start, pos_ - start);
    size_t digits = 0;
    while (digits < typed.size() && IsDigit(typed[typed.size() - 1 - digits]))
        ++digits;
    if (digits > 0) {
        if (digits > 4)
            return Fail(HeaderSuffixOutOfRange);
        int suffix = 0;
        for (char c : typed.substr(typed.size() - digits))
            suffix = suffix * 10 + (c - '0');
        m.Suffix = suffix;
        typed.remove_suffix(digits);
    }
    if (typed.size() > MaxMnemonic)
        return Fail(MnemonicTooLong);
    for (char c : typed)
        m.Name += Upper(c);
    return true;
}

bool MessageReader::ReadParameters(std::vector<Parameter>& out) {
    for (;;) {
        if (out.size() == MaxParameters)
            return Fail(ParameterNotAllowed);
        out.emplace_back();
        if (!ReadParameter(out.back()))
            return false;
        SkipBlanks();
        if (AtEnd() || Peek() == ';')
            return true;
        if (Peek() != ',')
            return Fail(InvalidSeparator);
        ++pos_;
        SkipBlanks();
    }
}

bool MessageReader::ReadParameter(Parameter& p) {
    const char c = Peek();
    if (IsDigit(c) || c == '+' || c == '-' || c == '.')
        return ReadNumber(p);
    if (IsLetter(c)) {
        p.Type = Parameter::Kind::Word;
        return ReadWord(p.Word, MaxMnemonic, CharacterDataTooLong);
    }
    if (c == '"' || c == '\'')
        return ReadString(p);
    if (AtEnd() || c == ',' || c == ';')
        return Fail(SyntaxError, "parameter expected");
    return Fail(InvalidCharacter);
}

// [+-] digits [. digits] [E [+-] digits] [blanks] [suffix]
bool MessageReader::ReadNumber(Parameter& p) {
    const size_t start = pos_;
    if (Peek() == '+' || Peek() == '-')
        ++pos_;
    while (IsDigit(Peek()))
        ++pos_;
    if (Peek() == '.') {
        ++pos_;
        while (IsDigit(Peek()))
            ++pos_;
    }
    if (Peek() == 'E' || Peek() == 'e') {
        size_t e = pos_ + 1;
        if (e < text_.size() && (text_[e] == '+' || text_[e] == '-'))
            ++e;
        if (e < text_.size() && IsDigit(text_[e])) {
            pos_ = e;
            while (IsDigit(Peek()))
                ++pos_;
        }
    }
    const auto value = ParsePlain(text_.substr(start, pos_ - start));
    if (!value)
        return Fail(NumericDataError, std::string(text_.substr(start, pos_ - start)));
    p.Type = Parameter::Kind::Number;
    p.Value = *value;
    const size_t beforeBlanks = pos_;
    SkipBlanks();
    if (IsLetter(Peek()))
        return ReadWord(p.Unit, MaxMnemonic, InvalidSuffix);
    pos_ = beforeBlanks;
    return true;
}

bool MessageReader::ReadWord(std::string& word, size_t limit, int tooLong) {
    while (!AtEnd() && (IsLetter(Peek()) || IsDigit(Peek()) || Peek() == '_')) {
        if (word.size() == limit)
            return Fail(tooLong);
        word += Upper(Peek());
        ++pos_;
    }
    return true;
}

// '...' or "...", the quote doubled inside stands for itself.
bool MessageReader::ReadString(Parameter& p) {
    const char quote = Peek();
    ++pos_;
    p.Type = Parameter::Kind::Text;
    for (;;) {
        if (AtEnd())
            return Fail(StringDataError, "unterminated string");
        const char c = text_[pos_++];
        if (c != quote) {
            p.Word += c;
            continue;
        }
        if (Peek() != quote)
            return true;
        p.Word += quote;
        ++pos_;
    }
}

} // namespace quavril::scpi
