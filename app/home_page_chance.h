// home_page_chance.h: the one-in-a-hundred chance at start-up of showing the maker's home page.
// The product has no home page, so the address is empty and the draw opens nothing.
#pragma once

#include <functional>
#include <string>

#include "app/url_opener.h"

namespace app {

inline constexpr char kHomePageAddress[] = "";
inline constexpr int kHomePageNumber = 7;

// Gives a number in [0, 1).
using RandomSource = std::function<double()>;

// A source seeded from the seconds since midnight, as the start-up draws it.
RandomSource timeOfDaySource();

// floor(r * 100) + 1, clamped to 1..100.
int chanceNumber(double r);

// Draws one number; when it is kHomePageNumber and `address` is not empty, hands the address to
// `opener` without waiting. True when the page was handed over.
bool homePageChance(const RandomSource& random, const std::string& address, UrlOpener& opener);

}  // namespace app
