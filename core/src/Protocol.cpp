#include "Protocol.h"

namespace nrproto {
namespace {

class Writer {
public:
    explicit Writer(std::size_t size) { m_bytes.reserve(size); }
    void U8(std::uint8_t value) { m_bytes.push_back(value); }
    void U16(std::uint16_t value)
    {
        U8(static_cast<std::uint8_t>(value >> 8));
        U8(static_cast<std::uint8_t>(value));
    }
    void U32(std::uint32_t value)
    {
        U16(static_cast<std::uint16_t>(value >> 16));
        U16(static_cast<std::uint16_t>(value));
    }
    void U64(std::uint64_t value)
    {
        U32(static_cast<std::uint32_t>(value >> 32));
        U32(static_cast<std::uint32_t>(value));
    }
    void Bytes(const std::string& text) { m_bytes.insert(m_bytes.end(), text.begin(), text.end()); }
    std::vector<std::uint8_t> Take() { return std::move(m_bytes); }

private:
    std::vector<std::uint8_t> m_bytes;
};

// Reads big-endian fields; callers check the size before reading, so a read never
// runs past the end.
class Reader {
public:
    explicit Reader(const std::uint8_t* data) : m_data(data) {}
    std::uint8_t U8() { return m_data[m_offset++]; }
    std::uint16_t U16()
    {
        const std::uint16_t high = U8();
        return static_cast<std::uint16_t>(high << 8 | U8());
    }
    std::uint32_t U32()
    {
        const std::uint32_t high = U16();
        return high << 16 | U16();
    }
    std::uint64_t U64()
    {
        const std::uint64_t high = U32();
        return high << 32 | U32();
    }
    const std::uint8_t* Here() const { return m_data + m_offset; }

private:
    const std::uint8_t* m_data;
    std::size_t m_offset = 0;
};

void WriteHeader(Writer& writer, MessageKind kind, std::uint64_t nonce)
{
    writer.U32(kMagic);
    writer.U8(kVersion);
    writer.U8(static_cast<std::uint8_t>(kind));
    writer.U16(0);  // flags, reserved
    writer.U64(nonce);
}

DecodeStatus ReadHeader(Reader& reader, std::size_t size, MessageKind expected, std::uint64_t& nonce)
{
    if (size > kMaxDatagram)
        return DecodeStatus::TooLong;
    if (size < kHeaderSize)
        return DecodeStatus::TooShort;
    if (reader.U32() != kMagic)
        return DecodeStatus::BadMagic;
    if (reader.U8() != kVersion)
        return DecodeStatus::BadVersion;
    if (reader.U8() != static_cast<std::uint8_t>(expected))
        return DecodeStatus::BadKind;
    reader.U16();  // flags: sent as zero, ignored on receipt
    nonce = reader.U64();
    return DecodeStatus::Ok;
}

}  // namespace

std::vector<std::uint8_t> EncodeQuery(const Query& query)
{
    Writer writer(kQuerySize);
    WriteHeader(writer, MessageKind::Query, query.nonce);
    writer.U16(query.answerWindowMs);
    writer.U16(0);  // reserved
    return writer.Take();
}

std::vector<std::uint8_t> EncodeAnswer(const Answer& answer)
{
    const std::string name = answer.hostName.substr(0, kMaxHostName);
    Writer writer(kAnswerFixedSize + name.size());
    WriteHeader(writer, MessageKind::Answer, answer.nonce);
    writer.U8(static_cast<std::uint8_t>(answer.role));
    writer.U8(static_cast<std::uint8_t>(name.size()));
    writer.U16(0);  // reserved
    writer.U32(answer.controllerAddress);
    writer.Bytes(name);
    return writer.Take();
}

DecodeStatus DecodeQuery(const std::uint8_t* data, std::size_t size, Query& query)
{
    Reader reader(data);
    Query decoded;
    DecodeStatus status = ReadHeader(reader, size, MessageKind::Query, decoded.nonce);
    if (status == DecodeStatus::Ok && size != kQuerySize)
        status = DecodeStatus::BadLength;
    if (status != DecodeStatus::Ok)
        return status;
    decoded.answerWindowMs = reader.U16();
    query = decoded;
    return DecodeStatus::Ok;
}

DecodeStatus DecodeAnswer(const std::uint8_t* data, std::size_t size, Answer& answer)
{
    Reader reader(data);
    Answer decoded;
    const DecodeStatus header = ReadHeader(reader, size, MessageKind::Answer, decoded.nonce);
    if (header != DecodeStatus::Ok)
        return header;
    if (size < kAnswerFixedSize)
        return DecodeStatus::TooShort;
    const std::uint8_t role = reader.U8();
    const std::size_t nameLength = reader.U8();
    reader.U16();  // reserved
    decoded.controllerAddress = reader.U32();
    if (nameLength > kMaxHostName || size != kAnswerFixedSize + nameLength)
        return DecodeStatus::BadLength;
    if (role == static_cast<std::uint8_t>(NodeRole::Controller)) {
        if (decoded.controllerAddress != 0)
            return DecodeStatus::BadRole;
    } else if (role == static_cast<std::uint8_t>(NodeRole::Member)) {
        if (decoded.controllerAddress == 0)
            return DecodeStatus::BadRole;
    } else {
        return DecodeStatus::BadRole;
    }
    decoded.role = static_cast<NodeRole>(role);
    const std::uint8_t* name = reader.Here();
    decoded.hostName.reserve(nameLength);
    for (std::size_t i = 0; i < nameLength; ++i) {
        const bool printable = name[i] >= 0x20 && name[i] <= 0x7E;
        decoded.hostName.push_back(printable ? static_cast<char>(name[i]) : '?');
    }
    answer = std::move(decoded);
    return DecodeStatus::Ok;
}

std::string FormatIpv4(std::uint32_t address)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        if (!text.empty())
            text.push_back('.');
        text += std::to_string(address >> shift & 0xFF);
    }
    return text;
}

bool ParseIpv4(const std::string& text, std::uint32_t& address)
{
    std::uint32_t value = 0;
    std::size_t position = 0;
    for (int octet = 0; octet < 4; ++octet) {
        if (octet > 0) {
            if (position >= text.size() || text[position] != '.')
                return false;
            ++position;
        }
        std::size_t digits = 0;
        unsigned part = 0;
        while (position < text.size() && text[position] >= '0' && text[position] <= '9' && digits < 3) {
            part = part * 10 + static_cast<unsigned>(text[position] - '0');
            ++position;
            ++digits;
        }
        if (digits == 0 || part > 255)
            return false;
        value = value << 8 | part;
    }
    if (position != text.size())
        return false;
    address = value;
    return true;
}

}  // namespace nrproto
