// COMPUTE DWF+WWF: the flow of a sewered area over a number of days. The
// dry-weather flow of a population, of commercial, industrial and
// institutional areas and of groundwater infiltration follows daily variation
// curves or constant peak factors; the wet-weather flow the current storm
// causes through direct connections, weeping tiles and slow infiltration comes
// from the urban and the Nash unit hydrograph computations.
#pragma once

#include <vector>

#include "model/context.h"
#include "runoff/daily_curves.h"

namespace runoff {

// The command's values in internal units (flows per person or per acre in cfs).
struct DwfWwfValues {
  int id = 0, nhyd = 0;
  float dtMinutes = 0.0f; // step in minutes, the storm's when typed 0
  float areaTyped = 0.0f; // total area in the input area unit
  float area = 0.0f;      // acres
  int ndays = 0;
  float pop = 0.0f;
  float adfp = 0.0f; // cfs per person
  float pkfp = 0.0f; // peak factor, or a curve code when negative
  float xacom = 0.0f;
  float adfa = 0.0f; // cfs per acre
  float pkfa = 0.0f;
  float xagwf = 0.0f;
  float adfg = 0.0f; // cfs per acre
  float gwFactor = 0.0f;
  float cDcon = 0.0f;
  float avglenTyped = 0.0f;                                  // input length unit
  float avglen = 0.0f;                                       // ft
  float cWeep = 0.0f, kWeep = 0.0f;                          // ratio, hours
  float cSlow = 0.0f, kSlowBase = 0.0f, kSlowPerArea = 0.0f; // ratio, hours, hours per input area unit

  float comArea() const { return area * xacom; }
  float gwArea() const { return area * xagwf; }
};
DwfWwfValues readDwfWwfValues(const model::CommandValues& cmd, const model::Units& units, float stormStepHours);

// Messages of a time step in minutes that the daily cycle cannot use (457
// below a minute, 458 not a fraction or multiple of 5 minutes, 459 not a
// fraction or multiple of a day), in that order; empty when it is usable.
std::vector<int> timeStepProblems(float dtMinutes);

// A negative peak factor is a curve code: its last digit names the flow it is
// for (1 residential, 2 commercial) and the digit before it (the tens) the
// curve, 1 to 5; -31 is curve 3 for the residential flow. Higher digits and
// fractions are ignored.
struct CurveCode {
  int kind = 0;  // last digit
  int curve = 0; // tens digit
};
CurveCode decodeCurveCode(float value);

// Harmon's peaking factor of a population, 1 + 14 / (4 + sqrt(POP / 1000)).
float harmonFactor(float pop);
// PKFp as typed turned into the residential peak factor: 0 is 1.0, up to 1 a
// share of Harmon's factor above 1, larger values the factor itself.
float residentialPeakFactor(float pkfp, float pop);

// Day type of the day `dayIndex` days after a start day (1..7, the day of the
// week model::gregorian::dayOfWeek gives): 2 on Sundays
// and Saturdays (days 1 and 7), 1 otherwise; 1 every day when startDay is 0.
int dayType(int startDay, long long dayIndex);

// The dry-weather flow over the simulated days.
struct DryWeatherInput {
  float dtMinutes = 0.0f;
  int ndays = 0;
  double tzero = 0.0;                                              // hours on the start date's clock
  int startDay = 0;                                                // day of the week of the start date, 0 without one
  float residential = 0.0f, commercial = 0.0f, groundwater = 0.0f; // constant terms, cfs
  const StepCurve* resCurve = nullptr;                             // replaces the residential term: value x resScale
  float resScale = 0.0f;                                           // POP x ADFp
  const StepCurve* comCurve = nullptr;                             // replaces the commercial term: value x comScale
  float comScale = 0.0f;                                           // ADFa x commercial area
};
struct DryWeatherFlow {
  std::vector<float> q; // q[1..npts], cfs
  int npts = 0;
  float peak = 0.0f;     // cfs, the earliest of equal highest ordinates
  float peakTime = 0.0f; // hours after the first ordinate
  float sum = 0.0f;      // cfs
  bool cut = false;      // the days held more ordinates than a hydrograph can
};
DryWeatherFlow computeDryWeatherFlow(const DryWeatherInput& in);

// Adds hydrograph `part` (ordinates 1..npts at step partDt) into q[1..] at step
// dt, lengthening q as needed up to the ordinate limit. Parts at another step
// (a storm whose step is no multiple or divisor of dt) are interpolated
// linearly at the times of q's ordinates.
void addOnGrid(std::vector<float>& q, const std::vector<float>& part, int npts, float partDt, float dt);

// The command routine.
void computeDwfWwf(model::RunContext& ctx);

} // namespace runoff
