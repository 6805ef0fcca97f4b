#include "report.h"

#include <cstdio>

std::string fixed(double value, int decimals) {
  std::vector<char> text(64);
  std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
  return text.data();
}

void print_heading(const std::string& title) { std::printf("## %s\n\n", title.c_str()); }

void print_paragraph(const std::string& text) { std::printf("%s\n\n", text.c_str()); }

void print_table_head(const std::vector<std::string>& names, std::size_t left) {
  print_table_row(names);
  std::string rule = "|";
  for (std::size_t i = 0; i < names.size(); ++i) {
    rule += i < left ? "---|" : "---:|";
  }
  std::printf("%s\n", rule.c_str());
}

void print_table_row(const std::vector<std::string>& cells) {
  std::string row = "|";
  for (const std::string& cell : cells) {
    row += cell.empty() ? " |" : " " + cell + " |";
  }
  std::printf("%s\n", row.c_str());
}

void end_table() { std::printf("\n"); }

void Targets::add(const std::string& target, const std::string& measured, bool met) {
  rows_.push_back({target, measured, met ? "met" : "**missed**"});
}

void Targets::print() const {
  print_heading("Targets");
  print_table_head({"Target", "measured", ""}, 3);
  for (const std::vector<std::string>& row : rows_) {
    print_table_row(row);
  }
  end_table();
}
