#include "core/bill_math.h"

#include <algorithm>
#include <climits>

namespace tablora::core {
namespace {

long long discountOf(long long amount, int rate) {
    if (amount <= 0 || rate >= 100) return 0;
    return -(amount - amount * rate / 100);  // the guest pays ⌊amount × rate / 100⌋
}

}  // namespace

std::optional<BillFigures> reckonBill(long long lines, const std::vector<BillLine>& items,
                                      const BillTerms& terms) {
    // Stored amounts are 32-bit; anything reckoned from them stays far inside 64 bits.
    const auto inRange = [](long long v) { return v >= INT_MIN && v <= INT_MAX; };
    if (!inRange(lines) || !inRange(terms.minimum) || terms.roundOff < 0) return std::nullopt;
    BillFigures f;
    f.lines = lines;
    for (const BillLine& item : items) {
        if (!inRange(item.amount) || !inRange(item.price) || !inRange(item.quantity))
            return std::nullopt;
        const auto comp = terms.comped.find(item.dish);
        const long long given =
            comp == terms.comped.end() ? 0 : std::clamp(comp->second, 0LL, item.quantity);
        f.comps -= given * item.price;
        const long long left = item.amount - given * item.price;
        const auto own = terms.lineRates.find(item.dish);
        if (own != terms.lineRates.end()) {
            const long long off = discountOf(left, own->second);
            f.lineDiscountOf[item.dish] += off;
            f.lineDiscounts += off;
        } else if (!terms.noDiscount.count(item.category) && left > 0)
            f.discountable += left;
    }
    f.wholeDiscount = discountOf(f.discountable, terms.wholeRate);
    long long c = lines + f.comps + f.lineDiscounts + f.wholeDiscount;
    // Rounding down may take a small bill to nothing; a bill that still has something to pay
    // after its comps keeps at least 1 yuan, the whole-bill discount giving way first.
    if (c < 1 && lines + f.comps >= 1) {
        const long long back = std::min(1 - c, -f.wholeDiscount);
        f.wholeDiscount += back;
        c += back;
        for (auto& [dish, off] : f.lineDiscountOf) {
            const long long line = std::min(1 - c, -off);
            if (line <= 0) continue;
            off += line;
            f.lineDiscounts += line;
            c += line;
        }
    }
    f.minimumTopUp = std::max(0LL, terms.minimum - c);
    f.service = terms.serviceWaived || c <= 0 ? 0 : c * terms.serviceRate / 100;
    f.beforeRoundOff = c + f.minimumTopUp + f.service;
    if (!inRange(f.beforeRoundOff)) return std::nullopt;
    f.roundOff = f.beforeRoundOff >= 1 ? std::min(terms.roundOff, f.beforeRoundOff - 1) : 0;
    f.due = f.beforeRoundOff - f.roundOff;
    return f;
}

std::vector<Adjustment> settledAdjustments(const BillFigures& f, const BillTerms& terms,
                                           const std::vector<Adjustment>& kept) {
    std::vector<Adjustment> rows;
    const Adjustment* whole = nullptr;
    const Adjustment* waiver = nullptr;
    for (const Adjustment& a : kept) {
        if (a.type == "赠送" || a.type == "单品折扣") rows.push_back(a);
        if (a.type == "整单折扣") whole = &a;
        if (a.type == "服务费" && a.amount == 0) waiver = &a;
    }
    for (Adjustment& row : rows) {
        if (row.type != "单品折扣") continue;
        const auto off = f.lineDiscountOf.find(row.dish);
        row.amount = off == f.lineDiscountOf.end() ? 0 : off->second;  // the line may be gone
    }
    if (whole) {
        Adjustment row = *whole;
        row.amount = f.wholeDiscount;
        rows.push_back(row);
    }
    if (f.minimumTopUp > 0) rows.push_back({"最低消费", "", 0, 0, f.minimumTopUp, "", "", "", ""});
    if (waiver)
        rows.push_back(*waiver);
    else if (f.service > 0)
        rows.push_back({"服务费", "", 0, terms.serviceRate, f.service, "", "", "", ""});
    if (f.roundOff > 0) rows.push_back({"抹零", "", 0, 0, -f.roundOff, "", "", "", ""});
    return rows;
}

std::string rateText(int percent) {
    return std::to_string(percent / 10) + (percent % 10 ? "." + std::to_string(percent % 10) : "") +
           "折";
}

std::optional<int> parseRate(const std::string& typed) {
    std::string t = typed;
    const std::string zhe = "折";
    if (t.size() > zhe.size() && t.ends_with(zhe)) t.resize(t.size() - zhe.size());
    if (t.empty() || t.size() > 4) return std::nullopt;
    const auto dot = t.find('.');
    const auto digits = [](const std::string& s) {
        return !s.empty() &&
               std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (dot != std::string::npos) {
        const std::string whole = t.substr(0, dot), tenth = t.substr(dot + 1);
        if (!digits(whole) || !digits(tenth) || whole.size() != 1 || tenth.size() != 1)
            return std::nullopt;
        const int rate = (whole[0] - '0') * 10 + (tenth[0] - '0');
        return rate >= 10 ? std::optional<int>(rate) : std::nullopt;
    }
    if (!digits(t)) return std::nullopt;
    const int n = std::stoi(t);
    if (n >= 1 && n <= 9) return n * 10;
    if (n == 10 || n == 100) return 100;
    if (n >= 11 && n <= 99) return n;
    return std::nullopt;
}

}  // namespace tablora::core
