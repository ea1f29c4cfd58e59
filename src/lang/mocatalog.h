// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace trelvick::lang {

// A compiled gettext catalogue (.mo) read whole, apart from the process's own gettext language: the
// model generator learns Greek from one set of catalogues, the detector's tests are judged on another,
// and a window can look a text up in a language other than the one the process runs in.
// Header only and on the standard library alone, so that the generator needs no Qt.
//
// A file that is missing, cut short or not a catalogue reads as an empty one: every lookup misses,
// and the caller shows its own English text.
class MoCatalog final
{
public:
    struct Message
    {
        std::string original;    // the English text
        std::string translation; // plural forms joined by a line end
    };

    MoCatalog() = default;
    static MoCatalog read(const std::string& path)
    {
        std::ifstream file(path, std::ios::binary);
        MoCatalog catalog;
        catalog.parse(std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>()));
        return catalog;
    }

    bool empty() const { return m_entries.empty(); }

    // Every message but the header entry, in the file's order.
    std::vector<Message> messages() const
    {
        std::vector<Message> all;
        all.reserve(m_entries.size());
        for (const Entry& entry : m_entries)
            all.push_back({joined(entry.original), joined(entry.translation)});
        return all;
    }

    // The translation of msgid, or nullptr when the catalogue has none (or an empty one).
    const std::string* find(std::string_view msgid) const { return find(msgid, 0); }
    // The plural form for count: the one form for 1, the other for every other count, as both the
    // languages of this program's catalogues have it (Plural-Forms: nplurals=2; plural=(n != 1)).
    const std::string* find(std::string_view singular, std::int64_t count) const
    {
        const auto found = m_forms.find(singular);
        if (found == m_forms.end())
            return nullptr;
        const std::vector<std::string>& forms = found->second;
        const std::size_t form = count == 1 ? 0 : forms.size() - 1;
        return forms[form].empty() ? nullptr : &forms[form];
    }

private:
    struct Entry
    {
        std::string original, translation; // as stored: the parts apart by NUL
    };

    static std::string joined(std::string text)
    {
        for (char& c : text) {
            if (c == '\0')
                c = '\n';
        }
        return text;
    }

    void parse(const std::string& data)
    {
        constexpr std::uint32_t kMagic = 0x950412de;
        if (data.size() < 28)
            return;
        const auto word = [&data](std::size_t at, bool swapped) {
            std::uint32_t value = 0;
            for (int i = 0; i < 4; ++i) {
                const auto byte = static_cast<unsigned char>(data[at + std::size_t(swapped ? 3 - i : i)]);
                value |= static_cast<std::uint32_t>(byte) << (8 * i);
            }
            return value;
        };
        const bool swapped = word(0, false) != kMagic;
        if (word(0, swapped) != kMagic)
            return;
        const std::uint32_t count = word(8, swapped), originals = word(12, swapped), translations = word(16, swapped);
        const auto text = [&](std::uint32_t table, std::uint32_t i, std::string* out) {
            const std::size_t entry = std::size_t(table) + std::size_t(i) * 8;
            if (entry > data.size() || data.size() - entry < 8)
                return false;
            const std::size_t length = word(entry, swapped), offset = word(entry + 4, swapped);
            if (offset > data.size() || length > data.size() - offset)
                return false;
            *out = data.substr(offset, length);
            return true;
        };
        for (std::uint32_t i = 0; i < count; ++i) {
            Entry entry;
            if (!text(originals, i, &entry.original) || !text(translations, i, &entry.translation))
                break;
            if (entry.original.empty())
                continue; // the header
            add(std::move(entry));
        }
    }

    void add(Entry entry)
    {
        std::vector<std::string> forms;
        for (std::size_t from = 0;;) {
            const std::size_t end = entry.translation.find('\0', from);
            forms.push_back(entry.translation.substr(from, end - from));
            if (end == std::string::npos)
                break;
            from = end + 1;
        }
        m_forms.emplace(entry.original.substr(0, entry.original.find('\0')), std::move(forms));
        m_entries.push_back(std::move(entry));
    }

    std::vector<Entry> m_entries;
    std::map<std::string, std::vector<std::string>, std::less<>> m_forms; // by the singular message id
};

} // namespace trelvick::lang
