#pragma once
#include <string>

// The figures of one benchmark run, printed together at its end with the aim of each.
void RecordFigure(const std::string& figure, double value, const std::string& unit, const std::string& aim);
void PrintFigures();
