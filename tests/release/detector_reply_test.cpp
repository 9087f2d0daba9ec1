// What the serial-mouse detector takes for a mouse among the replies a port
// can give when its lines come up.
#include <gtest/gtest.h>
#include <string>
#include "tools/ptrsniff/ptrsniff.h"

namespace {

int Mouse(const std::string &reply, bool ended = true)
{
    return IsMouseReply(reinterpret_cast<const unsigned char *>(reply.data()),
                        static_cast<int>(reply.size()), ended ? 1 : 0);
}

// A Plug and Play identification in 7-bit form: "(", body, checksum when
// there are optional fields, ")".
std::string Pnp7(const std::string &body)
{
    std::string id = "(" + body;
    if (body.find('\\') != std::string::npos) {
        unsigned sum = 0;
        for (unsigned char c : id + ")")
            sum += c;
        char check[3];
        snprintf(check, sizeof check, "%02X", sum & 0xFF);
        id += check;
    }
    return id + ")";
}

// The same in 6-bit form: every character less 0x20, begin 0x08, end 0x09.
std::string Pnp6(const std::string &body)
{
    std::string seven = Pnp7(body);
    std::string id = "\x08";
    for (size_t i = 1; i + 1 < seven.size(); i++)
        id += static_cast<char>(seven[i] - 0x20);
    return id + "\x09";
}

const std::string kRev = std::string("\x01\x24", 2);
const std::string kMouseBody = kRev + "PNR4417\\00000001\\MOUSE\\PNP0F0C\\PR-4417 TABLET";

TEST(MouseReply, OldMiceByTheirLeadingM)
{
    EXPECT_EQ(1, Mouse("M"));
    EXPECT_EQ(1, Mouse("M3"));
    EXPECT_EQ(1, Mouse(std::string("MZ@\0\0\0", 6)));
    // One stray character while the mouse's power comes up.
    EXPECT_EQ(1, Mouse(std::string("\0M", 2)));
    EXPECT_EQ(1, Mouse("\x13M3"));
    // Received with 8 data bits, the stop bit shows as the top bit.
    EXPECT_EQ(1, Mouse("\xCD"));
}

TEST(MouseReply, PlugAndPlayMice)
{
    EXPECT_EQ(1, Mouse(Pnp7(kMouseBody)));
    EXPECT_EQ(1, Mouse("M" + Pnp6(kMouseBody)));
    // The 6-bit example mouse without optional fields: "M", begin, version
    // 0.01, "AMC", "1234", end.
    EXPECT_EQ(1, Mouse(std::string("\x4D\x08\x00\x01\x21\x2D\x23\x11\x12\x13\x14\x09", 12)));
    // Known as a pointing device by a compatible ID alone, or by its own
    // ID (older ones with a leading "*").
    EXPECT_EQ(1, Mouse(Pnp7(kRev + "ABC1234\\\\\\XYZ0001,PNP0F0C\\Pen")));
    EXPECT_EQ(1, Mouse(Pnp7(kRev + "ABC1234\\\\\\*PNP0F0C")));
    EXPECT_EQ(1, Mouse(Pnp7(kRev + "PNP0F0C")));
    // Checksums are not held against a mouse.
    std::string wrong = Pnp7(kMouseBody);
    wrong[wrong.size() - 2] = wrong[wrong.size() - 2] == '0' ? '1' : '0';
    EXPECT_EQ(1, Mouse(wrong));
}

TEST(MouseReply, OtherDevicesAreNotMice)
{
    // The 7-bit example modem, with its class MODEM and checksum C4.
    std::string modem = Pnp7(kRev + "MDC0288\\00314159\\MODEM\\MDC0144,ATM0096\\ZIP 288");
    EXPECT_EQ(std::string("C4)"), modem.substr(modem.size() - 3));
    EXPECT_EQ(0, Mouse(modem));
    EXPECT_EQ(0, Mouse(Pnp7(kRev + "ABC1234")));
    EXPECT_EQ(0, Mouse("OK\r\n"));
    EXPECT_EQ(0, Mouse("\x13\x7FQ\x05"));
    EXPECT_EQ(0, Mouse(""));
}

TEST(MouseReply, NoiseIsNotAMouse)
{
    // A line that was still talking when the read stopped.
    EXPECT_EQ(0, Mouse("M", false));
    EXPECT_EQ(0, Mouse(Pnp7(kMouseBody), false));
    // "M" too far in.
    EXPECT_EQ(0, Mouse("xyM"));
    EXPECT_EQ(0, Mouse("AM"));
    // An "other ID" longer than 16 characters.
    EXPECT_EQ(0, Mouse(std::string(17, 'M')));
    EXPECT_EQ(0, Mouse(std::string(17, 'M') + Pnp7(kMouseBody)));
}

TEST(MouseReply, MalformedIdentificationsAreNotMice)
{
    const std::string good = Pnp7(kMouseBody);
    // Cut short, or followed by more bytes.
    EXPECT_EQ(0, Mouse("M" + good.substr(0, good.size() - 1)));
    EXPECT_EQ(0, Mouse("M" + good + "M"));
    EXPECT_EQ(0, Mouse("M("));
    // Manufacturer not three capitals, product not four hex digits.
    EXPECT_EQ(0, Mouse("M" + Pnp7(kRev + "Pnr4417")));
    EXPECT_EQ(0, Mouse("M" + Pnp7(kRev + "PNR44G7")));
    EXPECT_EQ(0, Mouse("M" + Pnp7(kRev + "PNR441")));
    // Optional part without its leading backslash or its checksum.
    EXPECT_EQ(0, Mouse("M(" + kRev + "PNR4417X00000001)"));
    EXPECT_EQ(0, Mouse("M(" + kRev + "PNR4417\\0000000Z)"));
    // A field over its length, or a fifth field.
    EXPECT_EQ(0, Mouse("M" + Pnp7(kRev + "PNR4417\\\\" + std::string(33, 'A'))));
    EXPECT_EQ(0, Mouse("M" + Pnp7(kRev + "PNR4417\\123456789")));
    EXPECT_EQ(0, Mouse("M" + Pnp7(kRev + "PNR4417\\1\\MOUSE\\PNP0F0C\\Pen\\More")));
    // A 6-bit identification closed by the 7-bit end character.
    std::string mixed = Pnp6(kMouseBody);
    mixed[mixed.size() - 1] = ')';
    EXPECT_EQ(0, Mouse("M" + mixed));
    // The longest legal identification still fits the reply buffer.
    std::string longest = std::string(16, 'M') +
        Pnp7(kRev + "PNR4417\\12345678\\" + std::string(32, 'C') + "\\" +
             std::string(40, 'D') + "\\" + std::string(40, 'U'));
    EXPECT_LE(longest.size(), static_cast<size_t>(MOUSE_REPLY_MAX));
    EXPECT_EQ(1, Mouse(longest));
}

} // namespace
