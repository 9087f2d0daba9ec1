// Telling a serial mouse's identification from whatever else a port sends
// when its lines come up.
//
// A reply is an optional short "other ID" (old mice send "M", three-button
// ones "M3", wheel mice "MZ@..."), then optionally a Plug and Play
// identification: begin character, revision (2), manufacturer (3 letters),
// product (4 hex digits), optional fields each led by a backslash (serial
// number, class, compatible IDs, user name) with a two-digit checksum, and
// the end character. Mice send the Plug and Play part in a 6-bit form
// (each character less 0x20, begin 0x08, end 0x09) so that older drivers
// do not take it for motion; other devices in plain 7-bit form ("(" ... ")").
#include "tools/ptrsniff/ptrsniff.h"

#define OTHER_ID_MAX 16
#define BEGIN_PNP 0x28
#define BEGIN_PNP_6BIT 0x08
#define END_PNP 0x29
#define END_PNP_6BIT 0x09
#define PNP_BODY_MAX (MOUSE_REPLY_MAX)
#define PNP_FIELDS 4

static int Char7(unsigned char c)
{
    return c & 0x7F;
}

static int IsUpper(int c)
{
    return c >= 'A' && c <= 'Z';
}

static int IsHexDigit(int c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// "M" first, or second after one stray control character: a mouse can put
// a false character on the line while its power comes up.
static int OtherIdNamesMouse(const unsigned char *id, int count)
{
    if (count >= 1 && Char7(id[0]) == 'M')
        return 1;
    if (count >= 2 && Char7(id[0]) < 0x20 && Char7(id[1]) == 'M')
        return 1;
    return 0;
}

// 1 when text (count characters, not terminated) starts with the
// identification of the generic serial pointing devices, PNP0Fxx; a
// leading "*" of older identifications is allowed.
static int NamesPointerId(const char *text, int count)
{
    static const char prefix[] = "PNP0F";
    if (count > 0 && text[0] == '*') {
        text++;
        count--;
    }
    if (count < 5)
        return 0;
    for (int i = 0; i < 5; i++)
        if (text[i] != prefix[i])
            return 0;
    return 1;
}

// The compatible-ID field: IDs separated by commas.
static int CompatibleIdsNamePointer(const char *field, int count)
{
    int start = 0;
    for (int i = 0; i <= count; i++) {
        if (i == count || field[i] == ',') {
            if (NamesPointerId(field + start, i - start))
                return 1;
            start = i + 1;
        }
    }
    return 0;
}

static int FieldEquals(const char *field, int count, const char *word)
{
    int i = 0;
    for (; i < count; i++)
        if (word[i] == '\0' || field[i] != word[i])
            return 0;
    return word[i] == '\0';
}

// Checks the Plug and Play part (from its begin character up to and with
// its end character, which must be the last byte of the reply). Returns
// -1 when it is malformed, 1 when it names a pointing device by its class
// or its IDs, 0 when it is a well-formed identification of something else.
//
// The checksum is not checked: mice are known to send wrong ones, and the
// fixed layout together with the silence after the end character is what
// tells an identification from noise.
static int CheckPnpId(const unsigned char *id, int count)
{
    int sixBit = Char7(id[0]) == BEGIN_PNP_6BIT;
    int endChar = sixBit ? END_PNP_6BIT : END_PNP;
    if (count < 2 || Char7(id[count - 1]) != endChar)
        return -1;

    // The body between the begin and end characters, in plain ASCII.
    char body[PNP_BODY_MAX];
    int length = count - 2;
    if (length > PNP_BODY_MAX)
        return -1;
    for (int i = 0; i < length; i++) {
        int c = Char7(id[i + 1]);
        if (c == endChar)
            return -1;
        body[i] = (char)(sixBit ? c + 0x20 : c);
    }

    // Revision (2, any value), manufacturer (3), product (4).
    if (length < 9)
        return -1;
    for (int i = 2; i < 5; i++)
        if (!IsUpper(body[i]))
            return -1;
    for (int i = 5; i < 9; i++)
        if (!IsHexDigit(body[i]))
            return -1;
    int pointer = NamesPointerId(body + 2, 7);
    if (length == 9)
        return pointer;

    // Optional fields, each led by a backslash, then the checksum.
    if (length < 12 || body[9] != '\\')
        return -1;
    if (!IsHexDigit(body[length - 2]) || !IsHexDigit(body[length - 1]))
        return -1;
    static const int fieldMax[PNP_FIELDS] = { 8, 32, 40, 40 };
    int field = 0;
    int start = 10;
    int optionalEnd = length - 2;
    for (int i = 10; i <= optionalEnd; i++) {
        if (i < optionalEnd && body[i] != '\\')
            continue;
        if (field >= PNP_FIELDS || i - start > fieldMax[field])
            return -1;
        if (field == 1 && FieldEquals(body + start, i - start, "MOUSE"))
            pointer = 1;
        if (field == 2 && CompatibleIdsNamePointer(body + start, i - start))
            pointer = 1;
        field++;
        start = i + 1;
    }
    return pointer;
}

int IsMouseReply(const unsigned char *reply, int count, int ended)
{
    if (!ended || count <= 0)
        return 0;

    int begin = -1;
    for (int i = 0; i < count && i <= OTHER_ID_MAX; i++) {
        int c = Char7(reply[i]);
        if (c == BEGIN_PNP || c == BEGIN_PNP_6BIT) {
            begin = i;
            break;
        }
    }
    int otherLength = begin >= 0 ? begin : count;
    if (otherLength > OTHER_ID_MAX)
        return 0;
    int mouse = OtherIdNamesMouse(reply, otherLength);
    if (begin < 0)
        return mouse;

    int pnp = CheckPnpId(reply + begin, count - begin);
    if (pnp < 0)
        return 0;
    return mouse || pnp;
}
