// The wire codec: exact layout, every rejection, name sanitising, and a randomised
// run of damaged datagrams.
#include <gtest/gtest.h>

#include <random>

#include "Protocol.h"

using namespace nrproto;

namespace {

Answer MemberAnswer()
{
    Answer answer;
    answer.nonce = 0x0102030405060708ull;
    answer.role = NodeRole::Member;
    answer.controllerAddress = 0x0A000001;  // 10.0.0.1
    answer.hostName = "ups-7";
    return answer;
}

DecodeStatus Decode(const std::vector<std::uint8_t>& bytes, Answer& answer)
{
    return DecodeAnswer(bytes.data(), bytes.size(), answer);
}

}  // namespace

TEST(ProtocolCodec, QueryHasTheDocumentedLayoutAndRoundTrips)
{
    const std::vector<std::uint8_t> bytes = EncodeQuery(Query{0xA1A2A3A4A5A6A7A8ull, 250});
    const std::vector<std::uint8_t> expected{'N',  'R',  'C',  'D',  1,    1,    0,    0,    0xA1, 0xA2,
                                             0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0x00, 0xFA, 0,    0};
    EXPECT_EQ(bytes, expected);
    Query decoded;
    ASSERT_EQ(DecodeQuery(bytes.data(), bytes.size(), decoded), DecodeStatus::Ok);
    EXPECT_EQ(decoded.nonce, 0xA1A2A3A4A5A6A7A8ull);
    EXPECT_EQ(decoded.answerWindowMs, 250);
}

TEST(ProtocolCodec, AnswerHasTheDocumentedLayoutAndRoundTrips)
{
    const std::vector<std::uint8_t> bytes = EncodeAnswer(MemberAnswer());
    const std::vector<std::uint8_t> expected{'N', 'R', 'C', 'D', 1, 2,  0, 0, 1, 2,   3,   4,   5,   6,  7,
                                             8,   1,   5,   0,   0, 10, 0, 0, 1, 'u', 'p', 's', '-', '7'};
    EXPECT_EQ(bytes, expected);
    Answer decoded;
    ASSERT_EQ(Decode(bytes, decoded), DecodeStatus::Ok);
    EXPECT_EQ(decoded.nonce, MemberAnswer().nonce);
    EXPECT_EQ(decoded.role, NodeRole::Member);
    EXPECT_EQ(decoded.controllerAddress, 0x0A000001u);
    EXPECT_EQ(decoded.hostName, "ups-7");
}

TEST(ProtocolCodec, RejectsEveryBrokenRule)
{
    const std::vector<std::uint8_t> valid = EncodeAnswer(MemberAnswer());
    Answer decoded;
    auto with = [&](std::size_t offset, std::uint8_t value) {
        std::vector<std::uint8_t> bytes = valid;
        bytes[offset] = value;
        return bytes;
    };
    EXPECT_EQ(Decode({}, decoded), DecodeStatus::TooShort);
    EXPECT_EQ(Decode(std::vector<std::uint8_t>(valid.begin(), valid.begin() + 15), decoded), DecodeStatus::TooShort);
    EXPECT_EQ(Decode(std::vector<std::uint8_t>(valid.begin(), valid.begin() + 20), decoded), DecodeStatus::TooShort);
    EXPECT_EQ(Decode(std::vector<std::uint8_t>(valid.begin(), valid.end() - 1), decoded), DecodeStatus::BadLength);
    std::vector<std::uint8_t> longer = valid;
    longer.push_back('x');
    EXPECT_EQ(Decode(longer, decoded), DecodeStatus::BadLength);
    std::vector<std::uint8_t> oversized = valid;
    oversized.resize(kMaxDatagram + 1, 'x');
    EXPECT_EQ(Decode(oversized, decoded), DecodeStatus::TooLong);
    EXPECT_EQ(Decode(with(0, 'X'), decoded), DecodeStatus::BadMagic);
    EXPECT_EQ(Decode(with(4, 2), decoded), DecodeStatus::BadVersion);
    EXPECT_EQ(Decode(with(5, 1), decoded), DecodeStatus::BadKind);
    EXPECT_EQ(Decode(with(16, 2), decoded), DecodeStatus::BadRole);
    EXPECT_EQ(Decode(with(17, 200), decoded), DecodeStatus::BadLength);
    // A member must name its controller, and a controller must not.
    std::vector<std::uint8_t> memberWithoutController = valid;
    for (std::size_t i = 20; i < 24; ++i)
        memberWithoutController[i] = 0;
    EXPECT_EQ(Decode(memberWithoutController, decoded), DecodeStatus::BadRole);
    EXPECT_EQ(Decode(with(16, 0), decoded), DecodeStatus::BadRole);
    // A query is not an answer, and the reverse.
    const std::vector<std::uint8_t> query = EncodeQuery(Query{1, 0});
    EXPECT_EQ(Decode(query, decoded), DecodeStatus::BadKind);
    Query decodedQuery;
    EXPECT_EQ(DecodeQuery(valid.data(), valid.size(), decodedQuery), DecodeStatus::BadKind);
    EXPECT_EQ(DecodeQuery(query.data(), query.size() - 1, decodedQuery), DecodeStatus::BadLength);
}

TEST(ProtocolCodec, HostNamesAreBoundedAndPrintable)
{
    Answer answer;
    answer.nonce = 9;
    answer.hostName = std::string(100, 'n');
    const std::vector<std::uint8_t> bytes = EncodeAnswer(answer);
    EXPECT_EQ(bytes.size(), kAnswerFixedSize + kMaxHostName);
    Answer decoded;
    ASSERT_EQ(Decode(bytes, decoded), DecodeStatus::Ok);
    EXPECT_EQ(decoded.hostName, std::string(kMaxHostName, 'n'));

    answer.hostName = std::string("a\x01\x7f") + "\xe9" + "b c\t";
    ASSERT_EQ(Decode(EncodeAnswer(answer), decoded), DecodeStatus::Ok);
    EXPECT_EQ(decoded.hostName, "a???b c?");
}

TEST(ProtocolCodec, RandomDamageNeverDecodesOutOfBounds)
{
    std::mt19937_64 random(20240611);
    const std::vector<std::uint8_t> valid = EncodeAnswer(MemberAnswer());
    int accepted = 0;
    for (int round = 0; round < 200000; ++round) {
        std::vector<std::uint8_t> bytes = valid;
        const int damage = static_cast<int>(random() % 4) + 1;
        for (int d = 0; d < damage; ++d) {
            switch (random() % 3) {
            case 0:
                bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
                break;
            case 1:
                bytes.resize(random() % (bytes.size() + 1));
                break;
            default:
                bytes.resize(bytes.size() + random() % 64, static_cast<std::uint8_t>(random()));
                break;
            }
            if (bytes.empty())
                bytes.push_back(static_cast<std::uint8_t>(random()));
        }
        Answer decoded;
        // Decoding reads only inside `bytes`: a copy of exactly that size shows any overrun.
        const std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
        if (DecodeAnswer(exact.data(), exact.size(), decoded) != DecodeStatus::Ok)
            continue;
        ++accepted;
        ASSERT_EQ(exact.size(), kAnswerFixedSize + decoded.hostName.size());
        for (char c : decoded.hostName)
            ASSERT_TRUE(c >= 0x20 && c <= 0x7E);
        ASSERT_EQ(decoded.role == NodeRole::Member, decoded.controllerAddress != 0);
    }
    // Damage confined to the nonce or the name still decodes, so some must pass.
    EXPECT_GT(accepted, 0);
}

TEST(Ipv4Text, ParsesOnlyStrictDottedQuads)
{
    std::uint32_t address = 0;
    ASSERT_TRUE(ParseIpv4("10.255.255.255", address));
    EXPECT_EQ(address, 0x0AFFFFFFu);
    ASSERT_TRUE(ParseIpv4("0.0.0.0", address));
    EXPECT_EQ(address, 0u);
    for (const char* bad : {"", "1.2.3", "1.2.3.4.", "1.2.3.256", "1..2.3", " 1.2.3.4", "1.2.3.4 ", "01234.1.1.1",
                            "a.b.c.d", "1.2.3.-4", "host.example"}) {
        EXPECT_FALSE(ParseIpv4(bad, address)) << bad;
    }
    EXPECT_EQ(FormatIpv4(0xC0A80AFFu), "192.168.10.255");
    EXPECT_EQ(FormatIpv4(0), "0.0.0.0");
}
