// Daily variation curves: the built-in diurnal patterns, the reader of the
// user's curve file and the resampling of a curve to the time step.
#include "runoff/daily_curves.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace runoff {

namespace {

constexpr float kMinutesPerDay = 1440.0f;
constexpr std::size_t kMaxLineLength = 132;

// The built-in curves, hour by hour from midnight. Each pair is scaled so that
// a week of five weekdays and two weekend days averages exactly 1.0: the
// average daily flow is the flow of an average day of the week, and the daily
// volumes of a whole week add up to seven average days.
//
// Curve 1, residential: sewage follows household water use with a lag of an
// hour or so. The night flow falls to about a third of the average by 3 to 4
// a.m. (only a little base use and leakage); the morning peak of washing and
// toilets comes at 8 a.m. on weekdays (1.66), a smaller afternoon plateau
// follows and the evening peak of cooking, dish washing and bathing comes at
// 7 p.m. On weekends people rise later and stay at home: the morning peak
// moves to 10 a.m. and is higher (1.70), the day is fuller, and the weekend
// day carries 5 % more than the average (weekday mean 0.98, weekend 1.05).
//
// Curve 2, commercial and institutional: offices, shops and schools discharge
// during business hours. Flow rises from 7 a.m., holds a broad plateau of
// about twice the average from 9 a.m. to 3 p.m. (2.15 at 10 and 11 a.m.) and
// falls away after closing time to a night flow of a third of the average.
// Weekends carry little (mean 0.60, largest 1.00 around noon from shops),
// weekdays correspondingly more (mean 1.16).
//
// Curve 3, industrial with two shifts: flow from 6 a.m. to 10 p.m. at one and
// a half to 1.65 times the average, a dip at the shift change and lunch
// (1 p.m.), a drop after the second shift and a low night flow of cleaning and
// cooling water. Weekends run at about half the average (mean 0.50, weekdays
// 1.20).
const DailyCurve kBuiltIn[3] = {
    {1,
     60.0f,
     {0.60f, 0.45f, 0.38f, 0.35f, 0.36f, 0.50f, 0.90f, 1.45f, 1.66f, 1.45f, 1.25f, 1.15f,
      1.10f, 1.03f, 0.96f, 0.94f, 0.98f, 1.10f, 1.25f, 1.36f, 1.33f, 1.18f, 0.99f, 0.80f},
     {0.72f, 0.56f, 0.46f, 0.41f, 0.39f, 0.41f, 0.51f, 0.78f, 1.16f, 1.55f, 1.70f, 1.65f,
      1.52f, 1.40f, 1.22f, 1.16f, 1.16f, 1.24f, 1.42f, 1.44f, 1.37f, 1.18f, 1.00f, 0.79f}},
    {2,
     60.0f,
     {0.40f, 0.35f, 0.32f, 0.32f, 0.34f, 0.45f, 0.72f, 1.27f, 1.85f, 2.10f, 2.15f, 2.15f,
      2.05f, 2.10f, 2.10f, 2.00f, 1.80f, 1.45f, 0.95f, 0.78f, 0.67f, 0.58f, 0.50f, 0.44f},
     {0.35f, 0.32f, 0.30f, 0.30f, 0.30f, 0.32f, 0.38f, 0.48f, 0.66f, 0.85f, 0.95f, 1.00f,
      1.00f, 0.98f, 0.95f, 0.90f, 0.84f, 0.74f, 0.58f, 0.52f, 0.47f, 0.43f, 0.40f, 0.38f}},
    {3,
     60.0f,
     {0.45f, 0.42f, 0.40f, 0.40f, 0.42f, 0.60f, 1.25f, 1.55f, 1.65f, 1.65f, 1.58f, 1.55f,
      1.35f, 1.52f, 1.63f, 1.62f, 1.55f, 1.48f, 1.40f, 1.45f, 1.48f, 1.42f, 1.30f, 0.68f},
     {0.45f, 0.42f, 0.40f, 0.40f, 0.40f, 0.42f, 0.48f, 0.52f, 0.55f, 0.58f, 0.58f, 0.58f,
      0.57f, 0.55f, 0.55f, 0.54f, 0.54f, 0.52f, 0.52f, 0.52f, 0.50f, 0.48f, 0.47f, 0.46f}},
};

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The blank- or comma-separated words of a line.
std::vector<std::string> words(const std::string& line) {
  std::string s = line;
  std::replace(s.begin(), s.end(), ',', ' ');
  std::replace(s.begin(), s.end(), '\t', ' ');
  std::istringstream in(s);
  std::vector<std::string> w;
  for (std::string t; in >> t;) w.push_back(t);
  return w;
}

bool parseNumber(const std::string& word, float& value) {
  char* end = nullptr;
  const double v = std::strtod(word.c_str(), &end);
  if (end == word.c_str() || *end != '\0' || !std::isfinite(v) || std::fabs(v) > 1.0e6) return false;
  value = static_cast<float>(v);
  return true;
}

// Parses the whole file into its curves; an empty problem text means success.
struct ParsedFile {
  std::vector<DailyCurve> curves;
  std::string problem;
};

// Checks a finished curve block: both sets complete.
bool complete(const DailyCurve& c, std::string& problem) {
  const std::size_t n = static_cast<std::size_t>(std::lround(kMinutesPerDay / c.stepMinutes));
  if (c.weekday.size() == n && c.weekend.size() == n) return true;
  problem = "curve " + std::to_string(c.number) + " needs " + std::to_string(n) + " WEEKDAY and " + std::to_string(n) +
            " WEEKEND values";
  return false;
}

ParsedFile parse(const std::vector<std::string>& lines) {
  ParsedFile f;
  DailyCurve* cur = nullptr;
  std::vector<float>* set = nullptr;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string where = "line " + std::to_string(i + 1) + ": ";
    if (lines[i].size() > kMaxLineLength) return {{}, where + "longer than 132 characters"};
    const std::vector<std::string> w = words(lines[i]);
    if (w.empty() || w[0][0] == '#') continue;
    const std::string key = upper(w[0]);
    if (key == "CURVE") {
      if (cur && !complete(*cur, f.problem)) return f;
      float number = 0.0f, step = 0.0f;
      if (w.size() != 4 || upper(w[2]) != "STEP" || !parseNumber(w[1], number) || !parseNumber(w[3], step) ||
          number < 1.0f || number != std::floor(number) || step < 1.0f ||
          std::fabs(kMinutesPerDay / step - std::round(kMinutesPerDay / step)) > 1.0e-4f) {
        return {{}, where + "expected CURVE n STEP m, m minutes dividing a day"};
      }
      f.curves.push_back({static_cast<int>(number), step, {}, {}});
      cur = &f.curves.back();
      set = nullptr;
    } else if (key == "WEEKDAY" || key == "WEEKEND") {
      if (!cur || w.size() != 1) return {{}, where + key + " must follow a CURVE line, alone on its line"};
      set = key == "WEEKDAY" ? &cur->weekday : &cur->weekend;
    } else {
      if (!set) return {{}, where + "values before CURVE and WEEKDAY or WEEKEND"};
      for (const std::string& word : w) {
        float v = 0.0f;
        if (!parseNumber(word, v) || v < 0.0f) return {{}, where + "\"" + word + "\" is not a factor"};
        set->push_back(v);
      }
    }
  }
  if (cur) complete(*cur, f.problem);
  return f;
}

// Integral of a day-periodic piecewise-constant set from midnight to `x`
// minutes (0 <= x <= 1440), in factor-minutes.
double integral(const std::vector<float>& v, double step, double x) {
  double sum = 0.0;
  for (std::size_t k = 0; k < v.size(); ++k) {
    const double a = static_cast<double>(k) * step;
    if (a >= x) break;
    sum += static_cast<double>(v[k]) * (std::min(x, a + step) - a);
  }
  return sum;
}

} // namespace

const DailyCurve* builtInCurve(int number) {
  if (number < 1 || number > 3) return nullptr;
  return &kBuiltIn[number - 1];
}

CurveLookup findCurveInFile(const std::vector<std::string>& lines, int number) {
  CurveLookup r;
  ParsedFile f = parse(lines);
  if (!f.problem.empty()) {
    r.status = CurveLookup::Status::Malformed;
    r.problem = f.problem;
    return r;
  }
  for (DailyCurve& c : f.curves) {
    if (c.number != number) continue;
    r.status = CurveLookup::Status::Found;
    r.curve = std::move(c);
    return r;
  }
  return r;
}

StepCurve resampleCurve(const DailyCurve& curve, float dtMinutes) {
  StepCurve s;
  const double step = curve.stepMinutes;
  const std::vector<float>* sets[2] = {&curve.weekday, &curve.weekend};
  // A step of a day or more sees the daily mean; shorter steps divide the day.
  const int n = dtMinutes >= kMinutesPerDay ? 1 : static_cast<int>(std::lround(kMinutesPerDay / dtMinutes));
  const double width = static_cast<double>(kMinutesPerDay) / n;
  for (int t = 0; t < 2; ++t) {
    s.values[t].resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      const double a = width * i, b = width * (i + 1);
      const double mean = (integral(*sets[t], step, b) - integral(*sets[t], step, a)) / width;
      s.values[t][static_cast<std::size_t>(i)] = static_cast<float>(mean);
    }
  }
  return s;
}

float StepCurve::peak() const {
  float p = 0.0f;
  for (const std::vector<float>& set : values) {
    for (float v : set) p = std::max(p, v);
  }
  return p;
}

} // namespace runoff
