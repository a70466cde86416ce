// The values of the command just read: numbers in input order (PARAM, from 1),
// full-precision copies for the commands that need them (DPARAM) and the
// quoted strings (STRING). Position 0 of every list is unused so that the code
// can use the positions the users and the command descriptions count with.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/limits.h"

namespace model {

// The commands, by their number in the command table (which holds every other
// fact about them: name, values, heading, label, handler).
enum class CommandId : int {
  None = 0, // no command recognised yet
  Start = 1,
  StoreHyd,
  RecallHyd,
  ComputeHyd,
  PrintHyd,
  DefaultValues,
  AddHyd,
  StoreRatingCurve,
  ComputeRatingCurve,
  StoreTravelTime,
  ComputeTravelTime,
  Route,
  RouteReservoir,
  DesignStandhyd,
  DesignNashyd,
  ComputeUrbhyd,
  ComputeNashyd,
  ComputeDuhyd,
  Kinroute,
  ShiftHyd,
  ComputeVolume,
  Finish,
  DesignScshyd,
  DivertHyd,
  ReadStorm,
  CalibStandhyd,
  ReadAesData,
  CalibNashyd,
  SaveHyd,
  CalibWilhyd,
  ReadHyd,
  ModifyStorm,
  RouteChannel,
  ChicagoStorm,
  MassStorm,
  ComputeApi,
  PlotHyd,
  Pause,
  RoutePipe,
  ContinuousStandhyd,
  ContinuousNashyd,
  ContinuousWilhyd,
  ContinuousScshyd,
  ComputeDualhyd,
  ErosionIndex,
  ComputeDwfWwf,
};

struct CommandValues {
  CommandId id = CommandId::None; // the command just recognised
  int NPARAM = 0;                 // number of values the command takes
  int given = 0;                  // number of positions the input actually filled (the rest are 0)
  std::vector<float> PARAM = std::vector<float>(kParamCapacity + 2, 0.0f);
  std::array<double, kStrings + 1> DPARAM{};      // only for START and READ AES DATA
  std::array<std::string, kStrings + 1> STRING{}; // 90 characters, blank padded
  // The input lines of the command as read: the command line and its
  // continuation lines (100 columns each).
  std::vector<std::string> lines;

  // Integer part of a value, as the commands take counts and slot numbers. A
  // value beyond the range of int (a mistyped count) saturates at the nearest
  // end, where every range check of the commands rejects it, instead of an
  // undefined conversion.
  int intParam(int k) const { return truncatedInt(PARAM[k]); }
  // Entry k of STRING cut to `width` characters (blank padded).
  std::string text(int k, std::size_t width) const {
    std::string s = STRING[k];
    s.resize(width, ' ');
    return s;
  }
  bool stringBlank(int k) const { return STRING[k].find_first_not_of(' ') == std::string::npos; }
};

} // namespace model
