#include "platform/registry/regedit_format.h"

#include <cstdio>
#include <cstring>

namespace velmora::registry {

namespace {

// ---- writing ----

bool isPlainText(const std::vector<BYTE>& data)
{
    if (data.empty() || data.back() != 0)
        return false;
    for (std::size_t i = 0; i + 1 < data.size(); ++i)
        if (data[i] < 0x20 || data[i] == 0x7f)
            return false;
    // Bytes >= 0x80 are kept as they are; the file is read back byte for byte.
    return true;
}

void appendQuoted(std::string& out, std::string_view text)
{
    out += '"';
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    out += '"';
}

void appendHex(std::string& out, const std::vector<BYTE>& data, std::size_t prefixLength)
{
    std::size_t column = prefixLength;
    char buf[4];
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", data[i]);
        out += buf;
        column += 2;
        if (i + 1 < data.size()) {
            out += ',';
            ++column;
            if (column > 76) {
                out += "\\\n  ";
                column = 2;
            }
        }
    }
}

void appendValue(std::string& out, const RegistryValue& v)
{
    std::size_t lineStart = out.size();
    if (v.name.empty())
        out += '@';
    else
        appendQuoted(out, v.name);
    out += '=';
    if (v.type == REG_SZ && isPlainText(v.data)) {
        appendQuoted(out, std::string_view(reinterpret_cast<const char*>(v.data.data()), v.data.size() - 1));
    } else if (v.type == REG_DWORD && v.data.size() == 4) {
        DWORD d = 0;
        std::memcpy(&d, v.data.data(), 4);
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", d);
        out += buf;
    } else {
        char buf[24];
        if (v.type == REG_BINARY)
            std::snprintf(buf, sizeof buf, "hex:");
        else
            std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
        out += buf;
        appendHex(out, v.data, out.size() - lineStart);
    }
    out += '\n';
}

void appendKey(std::string& out, const RegistryKey& key, const std::string& path, bool isRoot)
{
    if (!isRoot || !key.values().empty()) {
        out += '[';
        out += path;
        out += "]\n";
        for (const auto& v : key.values())
            appendValue(out, v);
        out += '\n';
    }
    for (const auto& c : key.children())
        appendKey(out, *c, path + "\\" + c->name(), false);
}

// ---- reading ----

class Parser {
public:
    Parser(std::string_view text, RegistryKey& root) : m_text(text), m_root(root) {}

    bool run(std::string& error);

private:
    bool nextLine(std::string& line);
    bool parseLine(const std::string& line);
    bool parseKeyLine(const std::string& line);
    bool parseValueLine(const std::string& line);
    bool parseQuoted(const std::string& line, std::size_t& pos, std::string& out);
    bool parseData(std::string rest, RegistryValue& value);
    bool parseHexBytes(std::string rest, std::vector<BYTE>& out);
    bool fail(const char* what)
    {
        m_error = what;
        return false;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    int m_lineNumber = 0;
    RegistryKey& m_root;
    RegistryKey* m_current = nullptr;
    std::string m_error;
};

bool Parser::nextLine(std::string& line)
{
    if (m_pos >= m_text.size())
        return false;
    std::size_t end = m_text.find('\n', m_pos);
    if (end == std::string_view::npos)
        end = m_text.size();
    line.assign(m_text.substr(m_pos, end - m_pos));
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    m_pos = end + 1;
    ++m_lineNumber;
    return true;
}

std::string trimmed(const std::string& s)
{
    std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    std::size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

bool Parser::run(std::string& error)
{
    std::string line;
    bool sawHeader = false;
    while (nextLine(line)) {
        std::string t = trimmed(line);
        if (t.empty() || t[0] == ';')
            continue;
        if (!sawHeader) {
            if (t != "REGEDIT4" && t != "Windows Registry Editor Version 5.00") {
                error = "line " + std::to_string(m_lineNumber) + ": missing REGEDIT4 header";
                return false;
            }
            sawHeader = true;
            continue;
        }
        if (!parseLine(t)) {
            error = "line " + std::to_string(m_lineNumber) + ": " + m_error;
            return false;
        }
    }
    if (!sawHeader) {
        error = "empty file without REGEDIT4 header";
        return false;
    }
    return true;
}

bool Parser::parseLine(const std::string& line)
{
    if (line[0] == '[')
        return parseKeyLine(line);
    if (line[0] == '"' || line[0] == '@')
        return parseValueLine(line);
    return fail("unexpected text");
}

bool Parser::parseKeyLine(const std::string& line)
{
    if (line.back() != ']' || line.size() < 3)
        return fail("malformed key line");
    std::string path = line.substr(1, line.size() - 2);
    if (path[0] == '-')
        return fail("deletion entries are not allowed in a hive file");
    auto parts = splitKeyPath(path);
    if (parts.empty() || !namesEqual(parts[0], m_root.name()))
        return fail("key outside this hive");
    RegistryKey* key = &m_root;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        if (parts[i].size() > 255)
            return fail("key name too long");
        RegistryKey* next = key->child(parts[i]);
        key = next ? next : &key->addChild(parts[i]);
    }
    m_current = key;
    return true;
}

bool Parser::parseQuoted(const std::string& line, std::size_t& pos, std::string& out)
{
    if (pos >= line.size() || line[pos] != '"')
        return false;
    ++pos;
    while (pos < line.size()) {
        char c = line[pos++];
        if (c == '"')
            return true;
        if (c == '\\') {
            if (pos >= line.size())
                return false;
            c = line[pos++];
            if (c != '\\' && c != '"')
                return false;
        }
        out += c;
    }
    return false;
}

bool Parser::parseValueLine(const std::string& line)
{
    if (!m_current)
        return fail("value before any key");
    RegistryValue value;
    std::size_t pos = 0;
    if (line[0] == '@') {
        pos = 1;
    } else if (!parseQuoted(line, pos, value.name)) {
        return fail("malformed value name");
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
        ++pos;
    if (pos >= line.size() || line[pos] != '=')
        return fail("missing '='");
    if (!parseData(trimmed(line.substr(pos + 1)), value))
        return false;
    m_current->setValue(std::move(value.name), value.type, std::move(value.data));
    return true;
}

bool parseHexNumber(const std::string& text, DWORD& out)
{
    if (text.empty() || text.size() > 8)
        return false;
    DWORD v = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        v = (v << 4) | static_cast<DWORD>(digit);
    }
    out = v;
    return true;
}

bool Parser::parseData(std::string rest, RegistryValue& value)
{
    if (!rest.empty() && rest[0] == '"') {
        std::size_t pos = 0;
        std::string text;
        if (!parseQuoted(rest, pos, text) || pos != rest.size())
            return fail("malformed string");
        value.type = REG_SZ;
        value.data.assign(text.begin(), text.end());
        value.data.push_back(0);
        return true;
    }
    if (rest.rfind("dword:", 0) == 0) {
        DWORD d = 0;
        if (!parseHexNumber(rest.substr(6), d))
            return fail("malformed dword");
        value.type = REG_DWORD;
        value.data.resize(4);
        std::memcpy(value.data.data(), &d, 4);
        return true;
    }
    if (rest.rfind("hex:", 0) == 0) {
        value.type = REG_BINARY;
        return parseHexBytes(rest.substr(4), value.data);
    }
    if (rest.rfind("hex(", 0) == 0) {
        std::size_t close = rest.find("):");
        DWORD type = 0;
        if (close == std::string::npos || !parseHexNumber(rest.substr(4, close - 4), type))
            return fail("malformed hex type");
        value.type = type;
        return parseHexBytes(rest.substr(close + 2), value.data);
    }
    return fail("unknown value data");
}

bool Parser::parseHexBytes(std::string rest, std::vector<BYTE>& out)
{
    // A trailing backslash continues the list on the next line.
    while (!rest.empty() && rest.back() == '\\') {
        rest.pop_back();
        std::string more;
        if (!nextLine(more))
            return fail("unterminated hex continuation");
        rest += trimmed(more);
    }
    std::size_t pos = 0;
    while (pos < rest.size()) {
        std::size_t comma = rest.find(',', pos);
        if (comma == std::string::npos)
            comma = rest.size();
        std::string item = trimmed(rest.substr(pos, comma - pos));
        DWORD byte = 0;
        if (item.size() > 2 || !parseHexNumber(item, byte))
            return fail("malformed hex byte");
        out.push_back(static_cast<BYTE>(byte));
        pos = comma + 1;
        if (comma + 1 == rest.size())
            return fail("trailing comma in hex list");
    }
    return true;
}

} // namespace

std::string formatRegedit(const RegistryKey& root)
{
    std::string out = "REGEDIT4\n\n";
    appendKey(out, root, root.name(), true);
    return out;
}

bool parseRegedit(std::string_view text, RegistryKey& root, std::string& error)
{
    Parser parser(text, root);
    return parser.run(error);
}

} // namespace velmora::registry
