#include "protocol/WiringCheck.h"

#include <QCoreApplication>
#include <QString>

namespace {

// The operator's words in the windows' language.
QString Tr(const char* text) { return QCoreApplication::translate("WiringCheck", text); }
std::string Utf8(const QString& text) { return text.toStdString(); }
QString Q(const std::string& text) { return QString::fromStdString(text); }

bool Level(uint16_t word, int input) { return (word >> input) & 1; }

}  // namespace

std::string InputCaption(const WiringInput& input) {
  QString caption = Tr(QT_TRANSLATE_NOOP("WiringCheck", "vstup %1")).arg(input.input);
  if (!input.name.empty() && input.name != "-")
    caption += QStringLiteral(" \u2013 ") + Q(input.name);  // an en dash
  return Utf8(caption);
}

WiringCheck::WiringCheck(std::vector<WiringInput> inputs, std::vector<WiringInput> grid)
    : grid_(grid.empty() ? inputs : std::move(grid)) {
  for (WiringInput& input : inputs) {
    WiringResult result;
    result.input = std::move(input);
    results_.push_back(std::move(result));
  }
}

void WiringCheck::Judge(WiringResult& asked, bool restLevel) {
  asked.restLevel = restLevel;
  asked.verdict = restLevel == asked.input.polarity ? WiringVerdict::Good : WiringVerdict::WrongPolarity;
  Next();
}

void WiringCheck::Sample(int64_t ms, uint16_t word) {
  const int askedInput = Done() ? -1 : results_[asked_].input.input;  // -1: none
  if (lastWord_)
    for (int n = 0; n < 16; ++n) {
      if (Level(word, n) == Level(*lastWord_, n)) continue;
      // Faster than a hand, or more than a wire swapped with the asked one gives: by itself.
      std::deque<int64_t>& edges = recentEdges_[static_cast<std::size_t>(n)];
      edges.push_back(ms);
      while (ms - edges.front() > kHandMs) edges.pop_front();
      if (askedInput != n) ++unaskedEdges_[static_cast<std::size_t>(n)];
      if (static_cast<int>(edges.size()) > kHandEdges ||
          unaskedEdges_[static_cast<std::size_t>(n)] > kUnaskedEdges)
        chatters_[static_cast<std::size_t>(n)] = true;
      for (const WiringInput& input : grid_)
        if (input.input == n) lastMoved_ = input;
    }
  lastWord_ = word;
  if (Done()) return;
  WiringResult& asked = results_[asked_];
  const int input = asked.input.input;
  if (chatters_[static_cast<std::size_t>(input)]) {
    // Whatever it did, nobody can tell a press in it.
    asked.verdict = WiringVerdict::Chatters;
    asked.restLevel = Level(word, input);
    asked.movedInstead.reset();
    return Next();
  }
  if (!rest_) {  // the first word after asking
    rest_ = word;
    asked.restLevel = lastLevel_ = Level(word, input);
    lastEdgeMs_ = ms;
    return;
  }
  const bool level = Level(word, input);
  if (level != lastLevel_) {
    lastLevel_ = level;
    lastEdgeMs_ = ms;
  }
  if (asked.restLevel == asked.input.polarity) {
    // Actuated and let go: back where it started, which is where its polarity says it rests, and
    // quiet there a moment (a contact that chatters when pressed goes on changing).
    if (active_ && level == asked.restLevel && ms - lastEdgeMs_ >= kQuietMs) return Judge(asked, level);
    if (level != asked.restLevel) active_ = true;
  } else {
    // It started away from the rest its polarity says: held when asked, or a polarity the other
    // way round. Where it settles once it has changed is its rest.
    if (level != asked.restLevel) active_ = true;
    if (active_ && ms - lastEdgeMs_ >= kSettleMs) return Judge(asked, level);
  }
  // Another input of the grid that leaves its level while this one is asked for; one that changes
  // by itself is no other half of a swap.
  if (!asked.movedInstead || chatters_[static_cast<std::size_t>(asked.movedInstead->input)]) {
    asked.movedInstead.reset();
    for (const WiringInput& other : grid_)
      if (other.input != input && !chatters_[static_cast<std::size_t>(other.input)] &&
          Level(word, other.input) != Level(*rest_, other.input)) {
        asked.movedInstead = other;
        break;
      }
  }
}

void WiringCheck::Skip() {
  if (Done()) return;
  WiringResult& asked = results_[asked_];
  asked.verdict = asked.movedInstead ? WiringVerdict::Swapped : WiringVerdict::NeverSeen;
  Next();
}

void WiringCheck::Next() {
  // What the input just asked did was asked of it; what the others did, was not.
  if (asked_ < results_.size()) {
    WiringResult& done = results_[asked_];
    if (done.movedInstead && chatters_[static_cast<std::size_t>(done.movedInstead->input)])
      done.movedInstead.reset();
  }
  ++asked_;
  rest_.reset();
  active_ = false;
  unaskedEdges_ = {};  // counted for each input asked: a swapped wire pressed twice is no chatter
}

std::string WiringCheck::Instruction() const {
  if (Done()) return {};
  return Utf8(Tr(QT_TRANSLATE_NOOP("WiringCheck", "Sepněte a uvolněte %1"))
                  .arg(Q(InputCaption(results_[asked_].input))));
}

std::string WiringCheck::Line(const WiringResult& r) {
  const QString caption = Q(InputCaption(r.input));
  const QString moved = r.movedInstead ? Q(InputCaption(*r.movedInstead)) : QString();
  switch (r.verdict) {
    case WiringVerdict::Pending:
      return Utf8(Tr(QT_TRANSLATE_NOOP("WiringCheck", "%1: nezkontrolováno")).arg(caption));
    case WiringVerdict::Good:
      return Utf8(r.movedInstead
                      ? Tr(QT_TRANSLATE_NOOP("WiringCheck", "%1: v pořádku (mezitím se změnil i %2)"))
                            .arg(caption, moved)
                      : Tr(QT_TRANSLATE_NOOP("WiringCheck", "%1: v pořádku")).arg(caption));
    case WiringVerdict::WrongPolarity:
      return Utf8(
          Tr(QT_TRANSLATE_NOOP("WiringCheck", "%1: v klidu je %2, Polarita je %3 – zkontrolujte polaritu"))
              .arg(caption, QString::number(r.restLevel ? 1 : 0), QString::number(r.input.polarity ? 1 : 0)));
    case WiringVerdict::Swapped:
      return Utf8(
          Tr(QT_TRANSLATE_NOOP("WiringCheck", "%1: nezměnil se, změnil se %2 – možná prohozené vodiče"))
              .arg(caption, moved));
    case WiringVerdict::NeverSeen:
      return Utf8(Tr(QT_TRANSLATE_NOOP("WiringCheck", "%1: změna nebyla zjištěna")).arg(caption));
    case WiringVerdict::Chatters:
      return Utf8(
          Tr(QT_TRANSLATE_NOOP("WiringCheck", "%1: vstup se mění sám – zákmity nebo rušení?")).arg(caption));
  }
  return Utf8(caption);
}
