// The one search behind the redraw's shortcuts: where a condition stops holding along a line of
// probes (whole numbers, or reals for the proven bounds). First a bracket is formed, by doubling
// the distance from the start or by probing the far end, then it is halved.
//
// The contract, for every function here:
// - `holds(x)` is true at the start (which is never probed) and, once it fails on the way out,
//   fails for good; where it does not, the result is still one of the places probed, found by the
//   probes listed below and no others.
// - The probes are made one at a time in the order written down for each function. A probe may
//   raise a fault (the plate current at a point that cannot be formed): the first one raised ends
//   the search, and since the order is fixed, it is always the same fault, the one the user sees.
// - The middle of a bracket of whole numbers is the lower middle, lo + (hi - lo) / 2, whichever
//   end holds; of reals, (a + b) / 2.
// - The doubling stops before its distance could overflow; the halving stops after `maxProbes`
//   probes, or once `narrowEnough` says so (reals), or when the ends are next to each other.
#pragma once

#include <concepts>
#include <limits>
#include <type_traits>
#include <utility>

namespace valvescope::search {

// `holds` was true at `holds` and false at `fails`, which may also lie just past the range
// searched, taken as failing without a probe. Either end may be the larger.
template <class T> struct Bracket {
    T holds;
    T fails;
};

inline constexpr int kUncapped = std::numeric_limits<int>::max();

namespace detail {

template <class T> T Middle(T a, T b) {
    if constexpr (std::is_integral_v<T>) {
        const T low = a < b ? a : b;
        const T high = a < b ? b : a;
        return low + (high - low) / 2;
    } else {
        return (a + b) / 2;
    }
}

template <class T> bool Adjacent(const Bracket<T>& bracket) {
    if constexpr (std::is_integral_v<T>) {
        return bracket.holds < bracket.fails ? bracket.fails - bracket.holds <= 1
                                             : bracket.holds - bracket.fails <= 1;
    } else {
        return false;
    }
}

} // namespace detail

// Halving: while the ends are more than one apart (whole numbers), `narrowEnough(bracket)` is
// false and fewer than `maxProbes` probes have been made, probes the middle and moves the end
// on its side there.
template <class T, class Holds, class Narrow>
Bracket<T> Halve(Bracket<T> bracket, Holds&& holds, int maxProbes, Narrow&& narrowEnough) {
    for (int probes = 0;
         probes < maxProbes && !detail::Adjacent(bracket) && !narrowEnough(std::as_const(bracket));
         ++probes) {
        const T middle = detail::Middle(bracket.holds, bracket.fails);
        (holds(middle) ? bracket.holds : bracket.fails) = middle;
    }
    return bracket;
}

template <class T, class Holds>
Bracket<T> Halve(Bracket<T> bracket, Holds&& holds, int maxProbes = kUncapped) {
    return Halve(bracket, holds, maxProbes, [](const Bracket<T>&) { return false; });
}

// Doubling, upwards over whole numbers: probes from + 1, from + 2, from + 4, ..., none past
// `last`, until one fails, and returns {the last that held, the one that failed}; or
// {the last that held, last + 1} when none up to `last` failed (last + 1 is not probed, and must
// be representable). A probe that would jump past `checkpoint` from below it probes `checkpoint`
// instead, and the doubling goes on from the distance it had: for a condition that, past the
// checkpoint, is only reliable for probes that started there.
template <std::integral T, class Holds>
Bracket<T> Gallop(T from, T last, Holds&& holds, T checkpoint = std::numeric_limits<T>::max()) {
    T held = from;
    for (T distance = 1; from <= last && distance <= last - from; distance *= 2) {
        T probe = from + distance;
        if (held < checkpoint && probe > checkpoint) {
            probe = checkpoint;
        }
        if (!holds(probe)) {
            return {held, probe};
        }
        held = probe;
        if (distance > std::numeric_limits<T>::max() / 2) {
            break;
        }
    }
    return {held, last + 1};
}

// The last whole number from `from` up to `last` at which `holds` is true, given that it holds at
// `from`: the doubling, then the halving. For stretches that usually end close to their start.
template <std::integral T, class Holds> T LastHolding(T from, T last, Holds&& holds) {
    return Halve(Gallop(from, last, holds), holds).holds;
}

// The last whole number from `from` towards `end` (either way) at which `holds` is true, given
// that it holds at `from`: `end` is probed first, then the bracket is halved. For stretches that
// usually hold all the way.
template <std::integral T, class Holds> T LastHoldingTowards(T from, T end, Holds&& holds) {
    if (holds(end)) {
        return end;
    }
    return Halve(Bracket<T>{from, end}, holds).holds;
}

} // namespace valvescope::search
