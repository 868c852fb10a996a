// Identifiers of the panel's and the rows' controls and commands.
#pragma once

namespace velmora::ui::cmd {

// Panel.
inline constexpr int kCompose = 3000, kOptions = 3001, kAbout = 3002, kStatus = 3003, kDragHandle = 3005,
                     kSwing = 3007, kVeloPad = 3008, kHumanize = 3010, kHumanizeTrend = 3011, kQuantize = 3012,
                     kMode = 3014, kControlSelect = 3015, kNoteNames = 3016, kSmallVariations = 3017,
                     kMediumVariations = 3018, kLargeVariations = 3019, kReset = 3020, kHelp = 3021, kEdit = 3022,
                     kGrid = 3023, kPhrase = 3024, kFillLength = 3025, kCrash = 3026;
inline constexpr int kTogglePlayback = 4022, kNextSlice = 4045, kPreviousSlice = 4046;
inline constexpr int kLoopSave = 4100, kLoopSaveAs = 4101, kLoopInsert = 4102, kLoopDelete = 4103;
inline constexpr int kLoopTree = 4012, kLoopSaveButton = 4013, kLoopDeleteButton = 4016;
inline constexpr int kQuickPad0 = 7000, kQuickPadCount = 10;

// Rows.
inline constexpr int kMute = 4000, kCopyLoop = 4002, kPasteLoop = 4003, kPatternSelector = 4007, kStrokesView = 4009,
                     kIdrc = 4011, kNextPattern = 4017, kPreviousPattern = 4018, kNoteSelector = 4019, kSolo = 4023,
                     kClearPattern = 4025, kClearLoop = 4026, kComposePart = 4027, kFocusNext = 4028,
                     kFocusPrevious = 4029, kPartList = 4039, kStrokesMin = 4041, kStrokesMax = 4042,
                     kParameterField = 4047, kParameterTip = 4050, kFillMuteTip = 4053;
// Note menu items: kNoteMenuBase + instrument key * 128 + note.
inline constexpr int kNoteMenuBase = 49152;

}  // namespace velmora::ui::cmd
