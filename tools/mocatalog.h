// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reads the messages of a compiled gettext catalog (.mo): the model generator learns Greek from one set
// of catalogs, and the detector's tests and benchmark are judged on another.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace trelvick::mocatalog {

struct Message
{
    std::string original;    // the English text
    std::string translation; // plural forms joined by a line end
};

// Every message but the header entry; nothing when the file is not a catalog.
inline std::vector<Message> readCatalog(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<Message> messages;
    if (data.size() < 28)
        return messages;

    auto word = [&data](std::size_t at, bool swapped) -> std::uint32_t {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const auto byte = static_cast<unsigned char>(data[at + (swapped ? 3 - i : i)]);
            value |= static_cast<std::uint32_t>(byte) << (8 * i);
        }
        return value;
    };
    const bool swapped = word(0, false) != 0x950412de;
    if (word(0, swapped) != 0x950412de)
        return messages;
    const std::uint32_t count = word(8, swapped);
    const std::uint32_t originals = word(12, swapped);
    const std::uint32_t translations = word(16, swapped);

    auto text = [&](std::uint32_t table, std::uint32_t i, std::string* out) {
        const std::size_t entry = std::size_t(table) + std::size_t(i) * 8;
        if (entry + 8 > data.size())
            return false;
        const std::size_t length = word(entry, swapped);
        const std::size_t offset = word(entry + 4, swapped);
        if (offset > data.size() || length > data.size() - offset)
            return false;
        *out = data.substr(offset, length);
        for (char& c : *out) {
            if (c == '\0')
                c = '\n';
        }
        return true;
    };
    for (std::uint32_t i = 0; i < count; ++i) {
        Message message;
        if (!text(originals, i, &message.original) || !text(translations, i, &message.translation))
            break;
        if (!message.original.empty())
            messages.push_back(std::move(message));
    }
    return messages;
}

} // namespace trelvick::mocatalog
