// set_list_test.cpp: cutting sets at a separator, the Add Set action, and the set list's pairing,
// shared selection and capacity.

#include "sets/set_list.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "sets/add_set.h"
#include "sets/fake_prompter.h"

namespace sets {
namespace {

std::vector<ReplacementSet> threeSets() { return {{"a", "1"}, {"b", "2"}, {"c", "3"}}; }

SetList listOf(const std::vector<ReplacementSet>& items) {
  SetList list;
  EXPECT_TRUE(list.appendAll(items).ok());
  return list;
}

TEST(SplitSetTest, CutsAtFirstSeparatorAndDropsPiecesAfterSecond) {
  EXPECT_EQ(splitSet("a::b::c", "::"), (ReplacementSet{"a", "b"}));
  EXPECT_EQ(splitSet("a:::b", "::"), (ReplacementSet{"a", ":b"}));
  EXPECT_EQ(splitSet("::", "::"), (ReplacementSet{"", ""}));
  EXPECT_EQ(splitSet("x::", "::"), (ReplacementSet{"x", ""}));
  EXPECT_EQ(splitSet("::y", "::"), (ReplacementSet{"", "y"}));
  EXPECT_EQ(splitSet("::::", "::"), (ReplacementSet{"", ""}));
}

TEST(SplitSetTest, KeepsSpacesAndCaseAndHonoursSeparatorsOfAnyLength) {
  EXPECT_EQ(splitSet("  Find ::  Repl  ", "::"), (ReplacementSet{"  Find ", "  Repl  "}));
  EXPECT_EQ(splitSet("hi,hello", ","), (ReplacementSet{"hi", "hello"}));
  EXPECT_EQ(splitSet("hi :: hello", " :: "), (ReplacementSet{"hi", "hello"}));
  EXPECT_EQ(splitSet("hi::hello", " :: "), std::nullopt);
  EXPECT_EQ(splitSet("k<=>v<=>w", "<=>"), (ReplacementSet{"k", "v"}));
  EXPECT_EQ(splitSet("aXXbXXc", "xx"), std::nullopt) << "separator search is case-sensitive";
}

TEST(SplitSetTest, NoSetWithoutSeparator) {
  EXPECT_EQ(splitSet("abc", "::"), std::nullopt);
  EXPECT_EQ(splitSet("a:b", "::"), std::nullopt);
  EXPECT_EQ(splitSet("", "::"), std::nullopt);
  EXPECT_EQ(splitSet("a::b", ""), std::nullopt) << "an empty separator must not loop or match";
}

TEST(AddSetTest, InitialAnswerAddsTheExampleSetAndAsksWithTheFixedTexts) {
  SetList list;
  FakePrompter prompter;
  prompter.textAnswers = {kAddSetInitialText};
  ASSERT_TRUE(addSet(list, prompter).ok());
  ASSERT_EQ(list.count(), 1);
  EXPECT_EQ(list.at(0), (ReplacementSet{"findwhat", "replacewith"}));
  EXPECT_EQ(prompter.shown,
            std::vector<std::string>{"Enter find and replace set (use :: to separate find text and "
                                     "replace text): [findwhat::replacewith]"});
}

TEST(AddSetTest, CancelChangesNothingAndShowsNothing) {
  SetList list = listOf(threeSets());
  FakePrompter prompter;  // no answers queued: Cancel
  ASSERT_TRUE(addSet(list, prompter).ok());
  EXPECT_EQ(list.all(), threeSets());
  EXPECT_EQ(prompter.shown.size(), 1u) << "only the input box itself";
}

TEST(AddSetTest, AnswerWithoutSeparatorShowsTheMessageAndAddsNothing) {
  SetList list;
  FakePrompter prompter;
  prompter.textAnswers = {"abc", "a:b"};
  ASSERT_TRUE(addSet(list, prompter).ok());
  ASSERT_TRUE(addSet(list, prompter).ok());
  EXPECT_TRUE(list.empty());
  ASSERT_EQ(prompter.shown.size(), 4u);
  EXPECT_EQ(prompter.shown[1], "You must use :: to separate the find text from the replace text");
  EXPECT_EQ(prompter.shown[3], prompter.shown[1]);
}

TEST(AddSetTest, AppendsAtTheEndKeepingSelectionAndDuplicates) {
  SetList list = listOf(threeSets());
  list.pick(SetColumn::kFind, 1);
  FakePrompter prompter;
  prompter.textAnswers = {" x :: y ", " x :: y "};
  ASSERT_TRUE(addSet(list, prompter).ok());
  ASSERT_TRUE(addSet(list, prompter).ok());
  ASSERT_EQ(list.count(), 5);
  EXPECT_EQ(list.at(3), (ReplacementSet{" x ", " y "}));
  EXPECT_EQ(list.at(4), list.at(3));
  EXPECT_EQ(list.selected(SetColumn::kFind), 1);
  EXPECT_EQ(list.selected(SetColumn::kReplace), 1);
}

TEST(SetListSelectionTest, PickingInOneListMovesTheOtherOnceAndSettles) {
  SetList list = listOf(threeSets());
  std::vector<std::pair<SetColumn, int>> moves;
  // The window answers a move by setting that list, whose notification comes straight back.
  list.setSelectionListener([&](SetColumn moved, int position) {
    moves.emplace_back(moved, position);
    list.pick(moved, position);
  });
  list.pick(SetColumn::kReplace, 2);
  EXPECT_EQ(list.selected(SetColumn::kFind), 2);
  EXPECT_EQ(list.selected(SetColumn::kReplace), 2);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0], std::make_pair(SetColumn::kFind, 2));

  list.pick(SetColumn::kFind, 2);  // picking what is already selected moves nothing
  EXPECT_EQ(moves.size(), 1u);

  list.pick(SetColumn::kFind, SetList::kNoSelection);  // an edit that leaves no entry selected
  EXPECT_EQ(list.selected(SetColumn::kReplace), SetList::kNoSelection);
  ASSERT_EQ(moves.size(), 2u);
  EXPECT_EQ(moves[1], std::make_pair(SetColumn::kReplace, SetList::kNoSelection));
}

TEST(SetListSelectionTest, PositionsOutsideTheListCountAsNoSelection) {
  SetList list = listOf(threeSets());
  list.pick(SetColumn::kFind, 3);
  EXPECT_EQ(list.selected(SetColumn::kFind), SetList::kNoSelection);
  list.pick(SetColumn::kReplace, -7);
  EXPECT_EQ(list.selected(SetColumn::kReplace), SetList::kNoSelection);
  list.removeSelected();
  EXPECT_EQ(list.all(), threeSets());
}

TEST(SetListRemoveTest, RemovesThePickedSetFromBothListsAndClearsTheSelection) {
  SetList list = listOf(threeSets());
  list.pick(SetColumn::kReplace, 2);
  list.removeSelected();
  EXPECT_EQ(list.all(), (std::vector<ReplacementSet>{{"a", "1"}, {"b", "2"}}));
  EXPECT_EQ(list.selected(SetColumn::kFind), SetList::kNoSelection);
  EXPECT_EQ(list.selected(SetColumn::kReplace), SetList::kNoSelection);

  list.pick(SetColumn::kFind, 0);
  list.removeSelected();
  EXPECT_EQ(list.all(), (std::vector<ReplacementSet>{{"b", "2"}})) << "later sets move up";

  list.removeSelected();  // nothing selected: nothing removed
  EXPECT_EQ(list.count(), 1);
}

TEST(SetListRemoveTest, RemoveAndClearOnEmptyOrUnselectedListsDoNothing) {
  SetList list;
  list.removeSelected();
  list.clear();
  EXPECT_TRUE(list.empty());

  list = listOf(threeSets());
  list.pick(SetColumn::kFind, 1);
  list.clear();
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(list.selected(SetColumn::kFind), SetList::kNoSelection);
  ASSERT_TRUE(list.append({"new", "set"}).ok());
  list.removeSelected();
  EXPECT_EQ(list.count(), 1) << "clear must not leave a stale selection behind";
}

TEST(SetListCapacityTest, RefusesPastCapacityWithoutChangingTheList) {
  SetList list;
  const std::vector<ReplacementSet> full(SetList::kCapacity - 1, ReplacementSet{"f", "r"});
  ASSERT_TRUE(list.appendAll(full).ok());
  const std::vector<ReplacementSet> two = {{"x", "1"}, {"y", "2"}};
  const Status tooMany = list.appendAll(two);
  EXPECT_FALSE(tooMany.ok());
  EXPECT_EQ(tooMany.number(), err::kListFull);
  EXPECT_NE(tooMany.description().find("32767"), std::string::npos);
  EXPECT_EQ(list.count(), SetList::kCapacity - 1) << "all or nothing";

  ASSERT_TRUE(list.append({"last", "one"}).ok());
  EXPECT_EQ(list.count(), SetList::kCapacity);

  FakePrompter prompter;
  prompter.textAnswers = {"a::b"};
  EXPECT_EQ(addSet(list, prompter).number(), err::kListFull);
  EXPECT_EQ(list.count(), SetList::kCapacity);
  EXPECT_EQ(list.at(SetList::kCapacity - 1), (ReplacementSet{"last", "one"}));
}

}  // namespace
}  // namespace sets
