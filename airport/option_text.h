#pragma once
// The short texts of a stand option (airline, type, registration, callsigns). Thousands of options are
// read per airport and nearly every text is a few characters, so a text of up to 15 characters lives
// inside the 16 bytes of the object itself; a longer one is kept whole on the heap: a text read from a
// file is never cut.
#include <fmt/format.h>

#include <compare>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace zyn {

class OptionText {
public:
    static constexpr std::size_t kInline = 15;

    OptionText() noexcept { setInlineSize(0); }
    template <typename Text>
        requires std::convertible_to<const Text&, std::string_view> && (!std::same_as<Text, OptionText>)
    OptionText(const Text& text) : OptionText() // NOLINT: as a std::string takes it
    {
        const std::string_view view(text);
        assign(view.data(), view.size());
    }
    OptionText(const OptionText& other)
    {
        std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
        if (other.onHeap()) {
            setInlineSize(0);
            assignLong(other.heapText(), other.heapSize());
        }
    }
    OptionText(OptionText&& other) noexcept
    {
        std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
        other.setInlineSize(0);
    }
    OptionText& operator=(const OptionText& other)
    {
        if (this != &other)
            assign(other.data(), other.size());
        return *this;
    }
    OptionText& operator=(OptionText&& other) noexcept
    {
        if (this != &other) {
            release();
            std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
            other.setInlineSize(0);
        }
        return *this;
    }
    ~OptionText() { release(); }

    // Replaces the text with size characters from data (which may lie in this text).
    void assign(const char* data, std::size_t size)
    {
        if (size > kInline) {
            assignLong(data, size);
            return;
        }
        char* const old = onHeap() ? heapText() : nullptr; // data may lie in it: freed after the copy
        copyShort(m_bytes, data, size);
        setInlineSize(size);
        delete[] old;
    }
    // A value read from a file: up to its terminator; nullptr is empty.
    void assignValue(const char* value)
    {
        std::size_t size = 0;
        if (value)
            while (size <= kInline && value[size] != '\0')
                ++size;
        if (size <= kInline)
            assign(value, size);
        else
            assignLong(value, size + std::strlen(value + size));
    }
    void clear() noexcept
    {
        release();
        setInlineSize(0);
    }

    const char* data() const noexcept { return onHeap() ? heapText() : m_bytes; }
    const char* c_str() const noexcept { return data(); } // terminated in both forms
    std::size_t size() const noexcept { return onHeap() ? heapSize() : kInline - inlineSpare(); }
    bool empty() const noexcept { return size() == 0; }
    std::string_view view() const noexcept { return {data(), size()}; }
    std::string str() const { return std::string(view()); }
    operator std::string_view() const noexcept { return view(); } // NOLINT: read wherever a view is
    operator std::string() const { return str(); }                 // NOLINT: and wherever a text is

    friend bool operator==(const OptionText& a, const OptionText& b) noexcept { return a.view() == b.view(); }
    friend bool operator==(const OptionText& a, std::string_view b) noexcept { return a.view() == b; }
    friend bool operator==(const OptionText& a, const std::string& b) noexcept { return a.view() == b; }
    friend bool operator==(const OptionText& a, const char* b) noexcept { return a.view() == b; }
    friend std::strong_ordering operator<=>(const OptionText& a, const OptionText& b) noexcept
    {
        return a.view() <=> b.view();
    }
    friend std::strong_ordering operator<=>(const OptionText& a, std::string_view b) noexcept { return a.view() <=> b; }

private:
    // The last byte tells the form: inline it holds the unused inline characters (0 for a full text,
    // so that it ends the text too), on the heap kOnHeap.
    static constexpr unsigned char kOnHeap = 0x80;
    // On the heap: the text's address in the first 8 bytes, its size in the next 4.
    static constexpr std::size_t kSizeAt = sizeof(char*);
    static_assert(kSizeAt + sizeof(std::uint32_t) <= kInline);

    unsigned char inlineSpare() const noexcept { return static_cast<unsigned char>(m_bytes[kInline]); }
    bool onHeap() const noexcept { return inlineSpare() == kOnHeap; }
    char* heapText() const noexcept
    {
        char* text;
        std::memcpy(&text, m_bytes, sizeof text);
        return text;
    }
    std::uint32_t heapSize() const noexcept
    {
        std::uint32_t size;
        std::memcpy(&size, m_bytes + kSizeAt, sizeof size);
        return size;
    }
    // Up to 16 bytes, all read before any is written (to and from may overlap): two loads and two
    // stores of one width instead of a library call, which would cost more than these short copies.
    static void copyShort(char* to, const char* from, std::size_t size) noexcept
    {
        if (size >= 8) {
            std::uint64_t head, tail;
            std::memcpy(&head, from, 8);
            std::memcpy(&tail, from + size - 8, 8);
            std::memcpy(to, &head, 8);
            std::memcpy(to + size - 8, &tail, 8);
        } else if (size >= 4) {
            std::uint32_t head, tail;
            std::memcpy(&head, from, 4);
            std::memcpy(&tail, from + size - 4, 4);
            std::memcpy(to, &head, 4);
            std::memcpy(to + size - 4, &tail, 4);
        } else if (size > 0) {
            const char first = from[0], middle = from[size / 2], last = from[size - 1];
            to[0] = first;
            to[size / 2] = middle;
            to[size - 1] = last;
        }
    }
    void setInlineSize(std::size_t size) noexcept
    {
        m_bytes[size] = '\0';
        m_bytes[kInline] = static_cast<char>(kInline - size);
    }
    void release() noexcept
    {
        if (onHeap())
            delete[] heapText();
    }
    void assignLong(const char* data, std::size_t size);

    char m_bytes[kInline + 1];
};
static_assert(sizeof(OptionText) == 16);

} // namespace zyn

template <> struct fmt::formatter<zyn::OptionText> : fmt::formatter<std::string_view> {
    template <typename Context> auto format(const zyn::OptionText& text, Context& context) const
    {
        return fmt::formatter<std::string_view>::format(text.view(), context);
    }
};
