#pragma once

// The author's details as the about picture and the programmer card show them. They
// belong to whoever publishes the program: edit them here, then repaint the pictures
// (cmake --build build --target pictures) so the about picture's credit follows.
// The telephone number lies in the range kept for fiction (555-0100 to 555-0199).
namespace AuthorDetails {

inline constexpr char Name[] = "A. N. Author";
inline constexpr char Qualification[] = "B.Sc. (Hons) Computer Science";
inline constexpr char JobTitle[] = "Senior Software Engineer, Desktop Tools, Korvanta Corporation";
inline constexpr char Telephone[] = "+1 202 555 0142";

} // namespace AuthorDetails
