#pragma once
#include <QProcess>
#include <QString>

#include <map>
#include <sstream>
#include <string>
#include <vector>

// The edges of each channel of a VCD file as sigrok-cli reads it (its CSV output, a sample a
// millisecond), by channel name.
inline std::map<std::string, int> SigrokEdges(const QString& vcd) {
  QProcess sigrok;
  sigrok.start(QStringLiteral("sigrok-cli"),
               {QStringLiteral("-I"), QStringLiteral("vcd"), QStringLiteral("-i"), vcd, QStringLiteral("-O"),
                QStringLiteral("csv")});
  if (!sigrok.waitForFinished(30000) || sigrok.exitCode() != 0) return {};
  std::map<std::string, int> edges;
  std::vector<std::string> names;
  std::vector<std::string> last;
  std::istringstream lines(sigrok.readAllStandardOutput().toStdString());
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("; Channels")) {  // "; Channels (10/10): in0_RefX, in1_RefY, …"
      std::istringstream list(line.substr(line.find(':') + 2));
      for (std::string name; std::getline(list, name, ',');)
        names.push_back(name.substr(name.find_first_not_of(' ')));
      continue;
    }
    if (line.empty() || line[0] == ';' || line.starts_with("META") || line.starts_with("logic")) continue;
    std::vector<std::string> levels;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, ',');) levels.push_back(cell);
    for (std::size_t i = 0; i < levels.size() && i < names.size() && !last.empty(); ++i)
      if (levels[i] != last[i]) ++edges[names[i]];
    last = levels;
  }
  for (const std::string& name : names) edges.emplace(name, 0);
  return edges;
}
