#pragma once

// The words the about picture carries. The picture is drawn from them, and a screen
// reader, which cannot read a picture, is given them as they stand.
namespace AboutText {

inline constexpr char Title[] = "Korvanta Task List";
// As the picture breaks the lines.
inline constexpr const char* Message[] = {
    "Korvanta Task List is a free task list",
    "program from Korvanta Corporation.",
    "Please send us your comments through",
    "our web site: www.korvanta.example",
};
// Followed by the author's name and telephone number (AuthorDetails).
inline constexpr char ProgrammedBy[] = "Programmed by ";
inline constexpr char Mobile[] = "Mobile: ";

} // namespace AboutText
