// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordList.h"

#include "TextUtil.h"

#include <string_view>

namespace quillary {

bool ParseSortOrder(const std::string& list, size_t count, std::vector<size_t>& order) {
    order.clear();
    std::vector<bool> seen(count, false);
    std::string_view rest = list;
    while (!TrimSpaces(rest).empty()) {
        const long long v = LeadingNumber(rest);
        if (v < 0 || size_t(v) >= count || seen[size_t(v)])
            return false;
        seen[size_t(v)] = true;
        order.push_back(size_t(v));
        const size_t comma = rest.find(',');
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    return order.size() == count;
}

} // namespace quillary
