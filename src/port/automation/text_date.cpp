// Dates in text for locale 0x0409, as oleaut32 reads and writes them. Reading collects up
// to six numbers, month names and AM/PM markers, decides from the separators which numbers
// are the time, then tries the orders month/day/year, year/month/day, year/day/month and
// day/month/year until one makes a valid date. Writing gives "M/d/yyyy h:mm:ss tt", without
// the time at midnight and without the date on 30 December 1899.
#include <cmath>
#include <ctime>

#include "automation/coerce.h"

namespace tavlinport {
namespace {

// What follows a field or what it is.
constexpr DWORD kTimeSeparator = 0x01, kDateSeparator = 0x02, kMonthName = 0x04, kAm = 0x08, kPm = 0x10;
constexpr DWORD kAmPm = kAm | kPm;
constexpr int kMaxFields = 6;

// Orders of the three date numbers; month/year/day only for a month with a year.
constexpr DWORD kMdy = 0x01, kYmd = 0x02, kYdm = 0x04, kDmy = 0x08, kMyd = 0x10;

struct Token {
    const char16_t *text;
    int month;     // 1-12 for month names, 0 for day names
    DWORD marker;  // kAm or kPm for the day-half designators
};

// In the order oleaut32 tries them: month names, their abbreviations, day names, their
// abbreviations, then the AM and PM designators.
const Token kTokens[] = {
    {u"January", 1, 0},   {u"February", 2, 0},  {u"March", 3, 0},    {u"April", 4, 0},     {u"May", 5, 0},
    {u"June", 6, 0},      {u"July", 7, 0},      {u"August", 8, 0},   {u"September", 9, 0}, {u"October", 10, 0},
    {u"November", 11, 0}, {u"December", 12, 0}, {u"Jan", 1, 0},      {u"Feb", 2, 0},       {u"Mar", 3, 0},
    {u"Apr", 4, 0},       {u"May", 5, 0},       {u"Jun", 6, 0},      {u"Jul", 7, 0},       {u"Aug", 8, 0},
    {u"Sep", 9, 0},       {u"Oct", 10, 0},      {u"Nov", 11, 0},     {u"Dec", 12, 0},      {u"Monday", 0, 0},
    {u"Tuesday", 0, 0},   {u"Wednesday", 0, 0}, {u"Thursday", 0, 0}, {u"Friday", 0, 0},    {u"Saturday", 0, 0},
    {u"Sunday", 0, 0},    {u"Mon", 0, 0},       {u"Tue", 0, 0},      {u"Wed", 0, 0},       {u"Thu", 0, 0},
    {u"Fri", 0, 0},       {u"Sat", 0, 0},       {u"Sun", 0, 0},      {u"AM", 0, kAm},      {u"PM", 0, kPm},
};

struct DateFields {
    DWORD count = 0;
    DWORD markers = 0;  // kAm or kPm once one was seen
    DWORD flags[kMaxFields] = {};
    DWORD values[kMaxFields] = {};
};

bool is_ascii_letter(OLECHAR c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

OLECHAR lower(OLECHAR c) { return (c >= u'A' && c <= u'Z') ? static_cast<OLECHAR>(c + 32) : c; }

// Length of the token that text starts with, ignoring case; 0 if none.
size_t match_length(const OLECHAR *text, const char16_t *token)
{
    size_t i = 0;
    for (; token[i]; ++i)
        if (lower(text[i]) != lower(token[i])) return 0;
    return i;
}

// A number as the C runtime's wcstoul reads it: 32 bits, saturating.
DWORD read_number(const OLECHAR *&p)
{
    uint64_t value = 0;
    for (; *p >= u'0' && *p <= u'9'; ++p)
        if ((value = value * 10 + static_cast<uint64_t>(*p - u'0')) > UINT32_MAX) value = UINT32_MAX + uint64_t{1};
    return value > UINT32_MAX ? UINT32_MAX : static_cast<DWORD>(value);
}

bool mark_day_half(DateFields &fields, DWORD marker)
{
    if (!fields.count || (fields.markers & kAmPm)) return false;
    fields.flags[fields.count - 1] |= marker;
    fields.markers |= marker;
    return true;
}

// A word: a month name becomes a field, a day name is skipped, AM/PM (or a lone a/p) marks
// the last field. Moves p to the word's last character; false if the word is unknown.
bool scan_word(const OLECHAR *&p, DateFields &fields, HRESULT &hr)
{
    for (const Token &token : kTokens) {
        const size_t length = match_length(p, token.text);
        if (!length) continue;
        if (token.month) {
            if (fields.count >= kMaxFields) {
                hr = DISP_E_TYPEMISMATCH;
            } else {
                fields.values[fields.count] = static_cast<DWORD>(token.month);
                fields.flags[fields.count++] |= kMonthName | kDateSeparator;
            }
        } else if (token.marker && !mark_day_half(fields, token.marker)) {
            hr = DISP_E_TYPEMISMATCH;
        }
        p += length - 1;
        return true;
    }
    const OLECHAR c = lower(*p);
    if ((c == u'a' || c == u'p') && mark_day_half(fields, c == u'a' ? kAm : kPm)) {
        // oleaut32 steps over the character after a lone a or p as well.
        if (p[1]) ++p;
        return true;
    }
    return false;
}

HRESULT scan_fields(const OLECHAR *p, DateFields &fields)
{
    HRESULT hr = S_OK;
    int date_separators = 0;
    for (; *p; ++p) {
        const OLECHAR c = *p;
        if (c >= u'0' && c <= u'9') {
            if (fields.count >= kMaxFields) return DISP_E_TYPEMISMATCH;
            fields.values[fields.count++] = read_number(p);
            --p;
        } else if (is_ascii_letter(c)) {
            if (!scan_word(p, fields, hr)) return DISP_E_TYPEMISMATCH;
        } else if (c == u':' || c == u'.') {
            if (!fields.count || !p[1])
                hr = DISP_E_TYPEMISMATCH;
            else
                fields.flags[fields.count - 1] |= kTimeSeparator;
        } else if (c == u'-' || c == u'/') {
            if (++date_separators > 2 || !fields.count || !p[1])
                hr = DISP_E_TYPEMISMATCH;
            else
                fields.flags[fields.count - 1] |= kDateSeparator;
        } else if (c == u',' || is_text_space(c)) {
            if (c == u',' && !p[1]) hr = DISP_E_TYPEMISMATCH;
        } else {
            return DISP_E_TYPEMISMATCH;
        }
    }
    if (!fields.count || (fields.count == 1 && !(fields.markers & kAmPm))) return DISP_E_TYPEMISMATCH;
    return hr;
}

void set_time(SYSTEMTIME &st, const DateFields &fields, int first, int parts)
{
    if (parts > 0) st.wHour = static_cast<WORD>(fields.values[first]);
    if (parts > 1) st.wMinute = static_cast<WORD>(fields.values[first + 1]);
    if (parts > 2) st.wSecond = static_cast<WORD>(fields.values[first + 2]);
}

// Where the AM/PM marker is: the bit of the one field that carries it (a second marker is
// refused while scanning), or kUnmarked.
constexpr DWORD kUnmarked = 1u << kMaxFields;

constexpr DWORD marked_within(int first, int last) { return ((2u << last) - 1) & ~((1u << first) - 1); }

DWORD marker_place(const DateFields &fields)
{
    for (DWORD i = 0; i < fields.count; ++i)
        if (fields.flags[i] & kAmPm) return 1u << i;
    return kUnmarked;
}

// One of oleaut32's layouts of time and date fields (T = time, D = date field): the time
// separators after the first five fields (one bit a field), the number of fields and where
// an AM/PM marker may be decide which fields are the time and where the date's begin.
struct TimeLayout {
    DWORD pattern;
    DWORD count;
    DWORD marker_places;  // kUnmarked and the bits of the fields that may carry the marker
    int time_first;
    int time_parts;  // hour, minute, second; 0 for no time
    DWORD date_offset;
};

const TimeLayout kTimeLayouts[] = {
    {0x1, 2, kUnmarked | marked_within(0, 1), 0, 2, 2},   // TT
    {0x1, 4, kUnmarked | marked_within(0, 1), 0, 2, 2},   // TTDD
    {0x1, 5, kUnmarked | marked_within(0, 1), 0, 2, 2},   // TTDDD
    {0x3, 3, kUnmarked | marked_within(0, 2), 0, 3, 3},   // TTT
    {0x3, 5, kUnmarked | marked_within(0, 2), 0, 3, 3},   // TTTDD
    {0x3, 6, kUnmarked | marked_within(0, 2), 0, 3, 3},   // TTTDDD
    {0x4, 4, kUnmarked | marked_within(2, 3), 2, 2, 0},   // DDTT
    {0x0, 1, marked_within(0, 0), 0, 1, 0},               // T: an hour only comes with AM/PM
    {0x0, 2, kUnmarked, 0, 0, 0},                         // DD
    {0x0, 3, kUnmarked, 0, 0, 0},                         // DDD
    {0x0, 3, marked_within(0, 0), 0, 1, 1},               // TDD
    {0x0, 3, marked_within(2, 2), 2, 1, 0},               // DDT
    {0x0, 4, marked_within(0, 0), 0, 1, 1},               // TDDD
    {0x0, 4, marked_within(3, 3), 3, 1, 0},               // DDDT
    {0x8, 5, kUnmarked | marked_within(3, 4), 3, 2, 0},   // DDDTT
    {0xC, 5, kUnmarked | marked_within(2, 4), 2, 3, 0},   // DDTTT
    {0x18, 5, kUnmarked | marked_within(3, 5), 3, 3, 0},  // DDDTT with a trailing separator
    {0x18, 6, kUnmarked | marked_within(3, 5), 3, 3, 0},  // DDDTTT
};

// Which fields are the time, by the first layout that fits. Leaves only the date fields
// counted and returns the index of the first one.
HRESULT split_time(DateFields &fields, SYSTEMTIME &st, DWORD *date_offset)
{
    DWORD pattern = 0;
    for (int i = 0; i < 5; ++i) pattern |= (fields.flags[i] & kTimeSeparator) << i;
    const DWORD marker = marker_place(fields);
    for (const TimeLayout &layout : kTimeLayouts) {
        if (layout.pattern != pattern || layout.count != fields.count || !(layout.marker_places & marker)) continue;
        set_time(st, fields, layout.time_first, layout.time_parts);
        fields.count -= static_cast<DWORD>(layout.time_parts);
        *date_offset = layout.date_offset;
        return S_OK;
    }
    return DISP_E_TYPEMISMATCH;
}

bool is_leap_year(DWORD year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

bool is_valid_day(DWORD day, DWORD month, DWORD year)
{
    static const DWORD kDays[] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (!day || !month || month > 12) return false;
    return day <= kDays[month] || (month == 2 && day == 29 && is_leap_year(year));
}

DWORD current_year()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc;
    gmtime_r(&now, &utc);
    return static_cast<DWORD>(utc.tm_year + 1900);
}

// Where day, month and year are among the three numbers in each order.
struct OrderLayout {
    DWORD order;
    int day, month, year;
};

const OrderLayout kOrderLayouts[] = {
    {kMdy, 1, 0, 2}, {kYmd, 2, 1, 0}, {kYdm, 1, 2, 0}, {kDmy, 0, 1, 2}, {kMyd, 2, 0, 1},
};

// Tries the orders in oleaut32's sequence: first month/day/year (the locale's own order),
// then the orders that keep the month before the day, then any. On success the three
// values become day, month and year.
bool find_date_order(DWORD orders, DWORD v[3])
{
    for (int attempt = 0; orders; ++attempt) {
        const DWORD tried = attempt == 0 ? (orders & kMdy) : attempt == 1 ? (orders & ~(kDmy | kYdm)) : orders;
        for (const OrderLayout &layout : kOrderLayouts) {
            if (!(tried & layout.order)) continue;
            if (is_valid_day(v[layout.day], v[layout.month], v[layout.year])) {
                const DWORD day = v[layout.day], month = v[layout.month], year = v[layout.year];
                v[0] = day;
                v[1] = month;
                v[2] = year;
                return true;
            }
            orders &= ~layout.order;
        }
    }
    return false;
}

DWORD possible_orders(const DateFields &fields, DWORD offset)
{
    const bool three = fields.count > 2;
    if (fields.flags[offset] & kMonthName) return kMdy;
    if (fields.flags[offset + 1] & kMonthName) return kDmy | (three ? kYmd : 0);
    if (three && (fields.flags[offset + 2] & kMonthName)) return kYdm;
    return kMdy | kDmy | (three ? kYmd | kYdm : 0);
}

HRESULT make_date(const DateFields &fields, DWORD offset, SYSTEMTIME &st)
{
    DWORD v[3] = {30, 12, 1899};  // no date fields: the day of date 0
    if (fields.count) {
        v[0] = fields.values[offset];
        v[1] = fields.values[offset + 1];
        v[2] = fields.count == 2 ? current_year() : fields.values[offset + 2];
        if (!find_date_order(possible_orders(fields, offset), v)) {
            // Two numbers that are no day and month may be a month and a year.
            if (fields.count != 2) return DISP_E_TYPEMISMATCH;
            v[2] = 1;
            if (!find_date_order(kYmd | kMyd, v)) return DISP_E_TYPEMISMATCH;
        }
    }
    if (st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59) return DISP_E_TYPEMISMATCH;
    if (st.wHour < 12 && (fields.markers & kPm))
        st.wHour = static_cast<WORD>(st.wHour + 12);
    else if (st.wHour == 12 && (fields.markers & kAm))
        st.wHour = 0;
    st.wDay = static_cast<WORD>(v[0]);
    st.wMonth = static_cast<WORD>(v[1]);
    st.wYear = static_cast<WORD>(v[2] <= 49 ? 2000 + v[2] : v[2] <= 99 ? 1900 + v[2] : v[2]);
    return S_OK;
}

void append_number(Text &text, unsigned value, int min_digits)
{
    Text digits = integer_text(false, value);
    if (static_cast<int>(digits.size()) < min_digits) text.append(min_digits - digits.size(), u'0');
    text += digits;
}

}  // namespace

HRESULT date_from_text(const OLECHAR *text, DATE *out)
{
    if (!text) return DISP_E_TYPEMISMATCH;
    DateFields fields;
    HRESULT hr = scan_fields(text, fields);
    if (FAILED(hr)) return hr;
    SYSTEMTIME st = {};
    DWORD offset;
    hr = split_time(fields, st, &offset);
    if (SUCCEEDED(hr)) hr = make_date(fields, offset, st);
    if (FAILED(hr)) return hr;
    return SystemTimeToVariantTime(&st, out) ? S_OK : DISP_E_TYPEMISMATCH;
}

Text date_text(DATE date, bool *ok)
{
    SYSTEMTIME st;
    *ok = VariantTimeToSystemTime(date, &st) != FALSE;
    if (!*ok) return {};
    const double whole = std::trunc(date);
    const double fraction = date - whole;
    const bool time_only = whole == 0.0;
    const bool date_only = !time_only && fraction > -1e-12 && fraction < 1e-12;
    Text text;
    if (!time_only) {
        append_number(text, st.wMonth, 1);
        text += u'/';
        append_number(text, st.wDay, 1);
        text += u'/';
        append_number(text, st.wYear, 1);
    }
    if (!date_only) {
        if (!text.empty()) text += u' ';
        append_number(text, st.wHour % 12 ? st.wHour % 12 : 12, 1);
        text += u':';
        append_number(text, st.wMinute, 2);
        text += u':';
        append_number(text, st.wSecond, 2);
        text += st.wHour < 12 ? u" AM" : u" PM";
    }
    return text;
}

}  // namespace tavlinport
