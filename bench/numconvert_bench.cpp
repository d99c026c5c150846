// Calls per second of the identifier checks and the amount in words (in leva and in
// euro), over the worked examples. Usage: bench_numconvert [SECONDS-PER-FUNCTION]
#include "form/numconvert.h"

#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

volatile std::size_t g_sink = 0;

template <typename F> double rate(const QStringList &inputs, double seconds, F f)
{
    QElapsedTimer timer;
    timer.start();
    long long calls = 0;
    const qint64 budget = qint64(seconds * 1e9);
    while (timer.nsecsElapsed() < budget) {
        for (const QString &s : inputs)
            g_sink = g_sink + std::size_t(f(s));
        calls += inputs.size();
    }
    return double(calls) / (double(timer.nsecsElapsed()) / 1e9);
}

template <typename F> void measure(const char *name, const QStringList &inputs, double seconds, F f)
{
    std::printf("%-18s %12.0f calls/s\n", name, rate(inputs, seconds, f));
}

// Two variants in alternating short rounds, so that a busy machine slows both alike;
// the best round of each counts.
template <typename F, typename G>
void compare(const char *nameF, const char *nameG, const QStringList &inputs, double seconds, F f,
             G g)
{
    constexpr int rounds = 10;
    double bestF = 0;
    double bestG = 0;
    for (int i = 0; i < rounds; ++i) {
        bestF = std::max(bestF, rate(inputs, seconds / rounds, f));
        bestG = std::max(bestG, rate(inputs, seconds / rounds, g));
    }
    std::printf("%-18s %12.0f calls/s\n", nameF, bestF);
    std::printf("%-18s %12.0f calls/s (%.2f of %s)\n", nameG, bestG, bestG / bestF, nameF);
}

} // namespace

int main(int argc, char *argv[])
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
    const QStringList ibans{u"BG80BNBG96611020345678"_s, u"BG81BNBG96611020345678"_s,
                            u"BG82BNBG966110203456A8"_s, u"bg80bnbg96611020345678"_s,
                            u"BG80BNBG9661102034567"_s};
    const QStringList tens{u"0000000000"_s, u"1111111110"_s, u"1111111111"_s, u"7501020018"_s,
                           u"750102001A"_s};
    const QStringList bulstats{u"111111113"_s,   u"100000086"_s,     u"100000550"_s,
                               u"111111113X"_s,  u"1111111131110"_s, u"1111111132980"_s,
                               u"111111113111"_s};
    const QStringList amounts{u"1.00"_s,     u"21.00"_s,     u"121.00"_s,     u"1001.00"_s,
                              u"22000.00"_s, u"101000.00"_s, u"1001000.00"_s, u"2147483647.00"_s,
                              u"12.05"_s,    u"0.05"_s,      u"1 000.00"_s,   u"999999999.99"_s};
    measure("CheckIban", ibans, seconds, [](const QString &s) { return formelan::CheckIban(s); });
    measure("CheckEgn", tens, seconds, [](const QString &s) { return formelan::CheckEgn(s); });
    measure("CheckLnch", tens, seconds, [](const QString &s) { return formelan::CheckLnch(s); });
    measure("CheckBulstat", bulstats, seconds,
            [](const QString &s) { return formelan::CheckBulstat(s); });
    compare(
        "AmountInWords BGN", "AmountInWords EUR", amounts, 2 * seconds,
        [](const QString &s) { return formelan::AmountInWords(s, u"BGN").size(); },
        [](const QString &s) { return formelan::AmountInWords(s, u"EUR").size(); });
    return 0;
}
