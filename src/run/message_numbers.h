// The numbers of every message in the message table (run/messages.cpp), named
// after what they say. Several numbers share one text: each command family has
// its own number, so a message in the log tells which routine raised it.
// Numbers 900 and above are this program's own additions, in the same style.
#pragma once

namespace msg {

// Run control: commands the loop carries out itself.
inline constexpr int kRecallHydNotSupported = 1;
inline constexpr int kSaveHydIdZero = 2;
inline constexpr int kPlotHydNotSupported = 3;

// The command reader.
inline constexpr int kCommandNotFound = 20;
inline constexpr int kSpaceBeforeQuote = 21;
inline constexpr int kStringTooLong = 22;
inline constexpr int kCheckNegativeSigns = 23;
inline constexpr int kCheckDecimals = 24;

// The STANDHYD family.
inline constexpr int kStandhydTimeStepZero = 30;
inline constexpr int kStandhydNoRainfallSteps = 31;
inline constexpr int kStandhydGivenCoefficients = 32;
inline constexpr int kStandhydCoefficientBelowStep = 33;
inline constexpr int kStandhydXimpAboveTimp = 34;
inline constexpr int kStandhydLowImperviousness = 35;
inline constexpr int kStandhydStepCountDiffers = 36;
inline constexpr int kStandhydImperviousDry = 37;
inline constexpr int kStandhydPerviousDry = 38;

// The NASHYD family; 43 also for the continuous STANDHYD variant.
inline constexpr int kNashydTimeStepZero = 41;
inline constexpr int kNashydNoRainfallSteps = 42;
inline constexpr int kApiNotComputed = 43;
inline constexpr int kNashydStepTooLarge = 44;
inline constexpr int kNashydStepCountDiffers = 45;

// COMPUTE HYD and the WILHYD family.
inline constexpr int kWilhydTimeStepZero = 50;
inline constexpr int kWilhydNoRainfallSteps = 51;
inline constexpr int kWilhydNotConverged = 52;
inline constexpr int kWilhydStepTooLarge = 53;
inline constexpr int kWilhydStepCountDiffers = 54;

// KINROUTE.
inline constexpr int kKinrouteStepDenied = 70;
inline constexpr int kKinroutePipeTooSmall = 71;
inline constexpr int kKinrouteHydrographCut = 72;
inline constexpr int kKinrouteStepShouldBeReduced = 73;
inline constexpr int kKinrouteDivisionCapped = 976; // sub-reaches and sub-steps held to the work limit
inline constexpr int kKinrouteTailCut = 977;        // the outflow's tail ended at the work limit

// ROUTE CHANNEL.
inline constexpr int kChannelInflowDry = 80;
inline constexpr int kChannelStepAboveInflowStep = 81;
inline constexpr int kChannelStepAdjusted = 82;
inline constexpr int kChannelTravelTimeTableExceeded = 83;
inline constexpr int kChannelHydrographCut = 84;
inline constexpr int kChannelNotConverged = 85;
inline constexpr int kChannelSlopeNotPositive = 86;

// ROUTE RESERVOIR.
inline constexpr int kReservoirDwfAdded = 90;
inline constexpr int kReservoirInflowIsOutflow = 91;
inline constexpr int kReservoirFirstOutflowNotZero = 92;
inline constexpr int kReservoirBadOutflowStorageTable = 93;
inline constexpr int kReservoirOverflowIdClash = 94;
inline constexpr int kReservoirStepAboveInflowStep = 95;
inline constexpr int kReservoirTableExtrapolated = 96;
inline constexpr int kReservoirInflowDry = 97;
inline constexpr int kReservoirOutflowCut = 98;
inline constexpr int kReservoirPeakNotReduced = 99;
inline constexpr int kReservoirVolumeLost = 100;

// ROUTE PIPE.
inline constexpr int kPipeNewSize = 110;
inline constexpr int kPipeNewSizeFull = 111;

// SHIFT HYD.
inline constexpr int kHydrographNotShifted = 120;

// Rating curves and travel-time tables.
inline constexpr int kRatingCurveExtrapolated = 150;
inline constexpr int kTravelTimeExtrapolated = 160;

// PRINT HYD and SAVE HYD.
inline constexpr int kPrintedHydrographDry = 170;

// COMPUTE DUALHYD and COMPUTE DUHYD.
inline constexpr int kDualHydrographsDry = 180;
inline constexpr int kMajorStorageNotEmptied = 181;
inline constexpr int kBaseflowLeftInMinor = 182;
inline constexpr int kUseComputeDualhyd = 183;

// COMPUTE VOLUME.
inline constexpr int kVolumeNoStorageRequired = 200;
inline constexpr int kVolumeReleaseBelowStart = 201;
inline constexpr int kVolumeMayNotBeMaximum = 202;

// DIVERT HYD.
inline constexpr int kDivertTooManyOutflows = 210;
inline constexpr int kDivertInflowDry = 211;
inline constexpr int kDivertTablesExceeded = 212;
inline constexpr int kDivertDwfAdded = 213;

// CHICAGO STORM.
inline constexpr int kChicagoStormCut = 220;

// MASS STORM.
inline constexpr int kMassCurveSumNotOne = 230;
inline constexpr int kMassCurveNotIncremental = 232;
inline constexpr int kMassStormStepTooLarge = 233;
inline constexpr int kMassStormStepAboveCurveStep = 234;

// MODIFY STORM.
inline constexpr int kModifyStormBadCase = 250;
inline constexpr int kModifyStormRainEliminated = 251;
inline constexpr int kModifyStormShiftTooLarge = 252;
inline constexpr int kModifyStormShiftMayLoseRain = 253;
inline constexpr int kModifyStormDurationReduced = 254;
inline constexpr int kModifyStormVolumeChanged = 255;

// READ HYD.
inline constexpr int kHydrographFileNotFound = 270;
inline constexpr int kReadHydrographDry = 271;

// Output headers.
inline constexpr int kUnitsNotSpecified = 340;

// READ AES DATA.
inline constexpr int kAesFileNameMissing = 370;
inline constexpr int kAesStartAfterEnd = 371;
inline constexpr int kAesWrongFileType = 372;
inline constexpr int kAesStartBeforeFile = 373;
inline constexpr int kAesTooManySteps = 374;
inline constexpr int kAesEndAfterFile = 375;
inline constexpr int kAesMissingStepsZero = 376;

// COMPUTE API.
inline constexpr int kApiBadConstants = 400;
inline constexpr int kApiNoRainfall = 401;

// EROSION INDEX.
inline constexpr int kErosionHydrographDry = 410;

// The store bounds of the continuous curve-number losses.
inline constexpr int kSminAboveSmax = 430;

// COMPUTE DWF+WWF (457 also for the STANDHYD family's zero time step).
inline constexpr int kDwfPopulationFactorZero = 450;
inline constexpr int kDwfCommercialFactorZero = 451;
inline constexpr int kDwfGroundwaterFactorZero = 452;
inline constexpr int kDwfPopulationPeakDigit = 453;
inline constexpr int kDwfCommercialPeakDigit = 454;
inline constexpr int kDwfCommercialFractionAboveOne = 455;
inline constexpr int kDwfGroundwaterFractionAboveOne = 456;
inline constexpr int kTimeStepBelowOneMinute = 457;
inline constexpr int kDwfStepNotFiveMinuteFraction = 458;
inline constexpr int kDwfStepNotDayFraction = 459;
inline constexpr int kDwfDaysMissing = 460;
inline constexpr int kDwfPopulationCurveDigit = 461;
inline constexpr int kDwfCommercialCurveDigit = 462;
inline constexpr int kDwfStartDateMissing = 463;
inline constexpr int kDwfCurveNotInFile = 464;

// Run control: side files, input files and the commands of this build.
inline constexpr int kInputEndedBeforeFinish = 900;
inline constexpr int kCommandNotAvailable = 901;
inline constexpr int kDirectoryFileUnusable = 902;
inline constexpr int kRunListUnusable = 903;
inline constexpr int kRunListEndedBeforeFinish = 904;
inline constexpr int kInputFileUnreadable = 905;
inline constexpr int kOutputFileNotCreated = 906;
inline constexpr int kRunCounterNotSaved = 907;
inline constexpr int kRunListEndsInsideSet = 908;
inline constexpr int kStormPointerNotWritten = 909;
inline constexpr int kInternalFailure = 910;
inline constexpr int kOutputNotWritten = 911; // a full disk, a lost device
inline constexpr int kNumberTooLarge = 912;   // a value beyond single precision
inline constexpr int kResultTooLarge = 913;   // a hydrograph whose values overflow single precision
// A library run writes only inside its work and project directories: a file
// name that leads out of them ("..", an absolute path, a link) is refused.
inline constexpr int kWriteOutsideFolders = 996;

// SHIFT HYD: ordinates moved past the ordinate limit (how many and their
// volume follow as the detail).
inline constexpr int kShiftedOrdinatesCut = 914;

// Hydrograph store and hydrograph files.
inline constexpr int kSlotOutOfRange = 920;
inline constexpr int kHydrographFileUnreadable = 921;
inline constexpr int kHydrographFileNotWritten = 922;
inline constexpr int kAutomaticFileNotWritten = 923;
inline constexpr int kHydrographFileWithoutEndMark = 924; // cut by a full disk or a killed run
inline constexpr int kDivertOutputCountBelowOne = 925;
inline constexpr int kDualCapacityNegative = 980; // CINLET, NINLET or TMJSTO below 0 would create water
inline constexpr int kDualStepVolumeOverflow = 981; // a step's inflow volume and the storage beyond single precision
inline constexpr int kVolumeStorageNeverEmptied = 926;

// Rainfall: storm, mass curve and AES files, and CHICAGO STORM values.
inline constexpr int kStormFileUnreadable = 940;
inline constexpr int kStormFileEndedEarly = 941;
inline constexpr int kStormFileNameMissing = 942;
inline constexpr int kMassCurveFileUnreadable = 943;
inline constexpr int kMassCurveFileEndedEarly = 944;
inline constexpr int kStormCutToLimit = 945;
inline constexpr int kAesFileUnreadable = 946;
inline constexpr int kStormSideFileNotWritten = 947;
inline constexpr int kChicagoStepNotPositive = 948;
inline constexpr int kChicagoBadRatio = 949;
inline constexpr int kChicagoPeakBeforeFirstStep = 950;
inline constexpr int kChicagoIdfUndefined = 951;
inline constexpr int kChicagoTooManyPairs = 952;
inline constexpr int kAesRecordUnreadable = 953;
inline constexpr int kModifiedStormOverflow = 958; // RFACT or the scaled intensities beyond single precision
inline constexpr int kMassStormOverflow = 959;     // intensities of the derived storm beyond single precision

// Runoff generation: values the unit hydrographs and loss models cannot use.
inline constexpr int kNashydAreaNotPositive = 955; // an area of 0 has no unit hydrograph
inline constexpr int kRainStepsOutOfRange = 956;   // NRAIN below 0 or above the rainfall step limit
inline constexpr int kNashydNTooLarge = 957;       // the Nash shape overflows single precision
inline constexpr int kNashydNNotAboveOne = 960;
inline constexpr int kNashydTpNotPositive = 961;
inline constexpr int kStandhydBadLossMethod = 962;
inline constexpr int kDefaultValuesUnreadable = 963;
inline constexpr int kDefaultValuesTooShort = 964;
inline constexpr int kSurfaceSlopeNotPositive = 965;
inline constexpr int kWilhydKNotPositive = 966;
inline constexpr int kWilhydTpNotPositive = 967;
inline constexpr int kStandhydImperviousnessOutOfRange = 968;
inline constexpr int kGroundwaterRecessionNegative = 969; // a GWFREC below 0 has no power per step

// Routing: channel values, and pipes.
inline constexpr int kPipeValuesNotPositive = 992;
inline constexpr int kPipeNoDiameter = 993;
inline constexpr int kPipeBadShape = 994;
inline constexpr int kPipeSizeOverflow = 995; // the size the peak needs is beyond single precision

// Routing: reservoir tables and inflows the routing cannot use.
inline constexpr int kReservoirNoEndPair = 985;
inline constexpr int kReservoirSinglePoint = 986;
inline constexpr int kReservoirNoInflowStep = 987;
inline constexpr int kReservoirOverflow = 989; // the table or the storage indication beyond single precision
// Routing: section, rating-curve, travel-time and reach values (the reason
// follows as the detail).
inline constexpr int kChannelValuesUnusable = 988;

// COMPUTE DWF+WWF: the daily variation curve file, and days beyond the
// ordinate limit.
inline constexpr int kDwfCurveFileUnusable = 970;
inline constexpr int kDwfDaysCut = 971;

// Channel routing: a reach too long for the storage-coefficient method, and
// steps routed with the travel-time table's coefficient.
inline constexpr int kChannelReachTooLong = 972;
inline constexpr int kChannelTableCoefficient = 973;
// Routing: a base flow under which single precision loses the inflow.
inline constexpr int kRoutingBaseSwampsInflow = 974;

} // namespace msg
