#include "backtest.h"

#include <cmath>
#include <cstdio>

namespace Backtest {

namespace {

constexpr long long kSecondsPerDay = 86400;
// A series much longer than any test needs would only make the stand-in slow.
constexpr int kMostBars = 50000;
constexpr int kFast = 10;
constexpr int kSlow = 30;
constexpr double kContract = 100000;

// Days from the civil date, proleptic Gregorian (Howard Hinnant's well-known formula).
long daysFromCivil(long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + long(doe) - 719468;
}

void civilFromDays(long z, long *y, unsigned *m, unsigned *d)
{
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = long(yoe) + era * 400 + (*m <= 2);
}

// The close of bar number index since 1970: two waves and a little deterministic noise, so
// that the same dates always give the same prices.
double closeAt(long long index)
{
    const double t = double(index);
    unsigned long long noise = (unsigned long long)(index) * 6364136223846793005ULL + 1442695040888963407ULL;
    noise ^= noise >> 33;
    const double jitter = double(noise % 1000) / 1000.0 - 0.5;
    return 1.1000 + 0.0060 * std::sin(t / 90.0) + 0.0025 * std::sin(t / 13.0) + 0.0050 * jitter;
}

double average(const std::vector<double> &closes, size_t end, int count)
{
    double sum = 0;
    for (size_t i = end + 1 - size_t(count); i <= end; ++i)
        sum += closes[i];
    return sum / count;
}

void close(Result &result, const Deal &open, long long time, double price, double *balance)
{
    const double points = open.buy ? price - open.price : open.price - price;
    const double profit = std::round(points * kContract * Lot * 100) / 100;
    *balance += profit;
    result.deals.push_back({time, !open.buy, false, price, profit, *balance});
    ++result.trades;
    result.shortTrades += open.buy ? 0 : 1;
    if (profit > 0) {
        ++result.wins;
        result.shortWins += open.buy ? 0 : 1;
        result.grossProfit += profit;
    } else {
        result.grossLoss += profit;
    }
}

void measure(Result &result, double deposit)
{
    double peak = deposit;
    std::vector<double> returns;
    double previous = deposit;
    for (const Deal &deal : result.deals) {
        if (deal.entry)
            continue;
        peak = std::max(peak, deal.balance);
        const double drawdown = peak - deal.balance;
        if (drawdown > result.maxDrawdown) {
            result.maxDrawdown = drawdown;
            result.maxDrawdownPercent = drawdown / peak * 100;
        }
        returns.push_back(deal.balance / previous - 1);
        previous = deal.balance;
    }
    if (returns.size() < 2)
        return;
    double mean = 0;
    for (double r : returns)
        mean += r;
    mean /= double(returns.size());
    double variance = 0;
    for (double r : returns)
        variance += (r - mean) * (r - mean);
    const double deviation = std::sqrt(variance / double(returns.size() - 1));
    if (deviation > 0)
        result.sharpeRatio = mean / deviation;
}

} // namespace

bool hasHistory(const std::string &symbol)
{
    return symbol == "EURUSD" || symbol == "GBPUSD";
}

std::optional<int> periodMinutes(const std::string &period)
{
    struct Named { const char *name; int minutes; };
    static const Named periods[] = {{"M1", 1}, {"M2", 2}, {"M3", 3}, {"M4", 4}, {"M5", 5}, {"M6", 6},
                                    {"M10", 10}, {"M12", 12}, {"M15", 15}, {"M20", 20}, {"M30", 30},
                                    {"H1", 60}, {"H2", 120}, {"H3", 180}, {"H4", 240}, {"H6", 360},
                                    {"H8", 480}, {"H12", 720}, {"D1", 1440}, {"W1", 10080},
                                    {"MN1", 43200}, {"MN", 43200}};
    for (const Named &named : periods) {
        if (period == named.name)
            return named.minutes;
    }
    return std::nullopt;
}

std::optional<long> dayOf(const std::string &date)
{
    int y = 0;
    unsigned m = 0;
    unsigned d = 0;
    char rest = 0;
    if (date.size() != 10 || std::sscanf(date.c_str(), "%4d.%2u.%2u%c", &y, &m, &d, &rest) != 3 || m < 1 || m > 12
        || d < 1 || d > 31)
        return std::nullopt;
    return daysFromCivil(y, m, d);
}

std::string timeText(long long seconds)
{
    long y = 0;
    unsigned m = 0;
    unsigned d = 0;
    civilFromDays(long(seconds / kSecondsPerDay), &y, &m, &d);
    const int inDay = int(seconds % kSecondsPerDay);
    char text[64];
    std::snprintf(text, sizeof text, "%04ld.%02u.%02u %02d:%02d", y, m, d, inDay / 3600, inDay / 60 % 60);
    return text;
}

Result run(const Settings &settings)
{
    Result result;
    const long long step = settings.periodMinutes * 60LL;
    const long long first = settings.fromDay * kSecondsPerDay / step;
    const long long last = std::min((settings.toDay + 1) * kSecondsPerDay / step, first + kMostBars);
    std::vector<double> closes;
    double balance = settings.deposit;
    std::optional<Deal> open;
    for (long long bar = first; bar < last; ++bar) {
        closes.push_back(closeAt(bar));
        const size_t i = closes.size() - 1;
        if (closes.size() <= size_t(kSlow))
            continue;
        const bool above = average(closes, i, kFast) > average(closes, i, kSlow);
        const bool wasAbove = average(closes, i - 1, kFast) > average(closes, i - 1, kSlow);
        if (above == wasAbove)
            continue;
        const long long time = bar * step;
        if (open)
            close(result, *open, time, closes[i], &balance);
        open = Deal{time, above, true, closes[i], 0, balance};
        result.deals.push_back(*open);
    }
    if (open)
        close(result, *open, last * step, closes.back(), &balance);
    result.bars = int(closes.size());
    result.finalBalance = balance;
    measure(result, settings.deposit);
    return result;
}

} // namespace Backtest
