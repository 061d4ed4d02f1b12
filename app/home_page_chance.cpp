// home_page_chance.cpp: the draw and its time-of-day seed.
#include "app/home_page_chance.h"

#include <QTime>
#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

namespace app {

RandomSource timeOfDaySource() {
  const auto seed = static_cast<std::uint32_t>(QTime::currentTime().msecsSinceStartOfDay() / 1000);
  auto engine = std::make_shared<std::minstd_rand>(seed);
  return [engine] { return std::uniform_real_distribution<double>(0.0, 1.0)(*engine); };
}

int chanceNumber(double r) {
  const int n = static_cast<int>(std::floor(r * 100.0)) + 1;
  return std::clamp(n, 1, 100);
}

bool homePageChance(const RandomSource& random, const std::string& address, UrlOpener& opener) {
  const int n = chanceNumber(random());
  if (n != kHomePageNumber || address.empty()) return false;
  opener.open(address);  // whatever the browser does is ignored
  return true;
}

}  // namespace app
