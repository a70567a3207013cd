// The game's fixed texts: cp1251 format strings for the hint lines and prompts, the round texts,
// and builders that choose the text by round and by who acts. Every builder returns the whole
// text; callers cut it to their packet field (the introduction's field is 128 bytes, the
// hint's 256). Names are the seats' names; a null name is taken as empty.
#pragma once

#include <string>

extern const char ROUND_TEXT_FIRST_TO_TOP[];      // rounds 2 and 3
extern const char ROUND_TEXT_FINAL[];             // round 7
extern const char ROUND_TEXT_SUPERFINAL[];        // round 8
extern const char PROMPT_INTRO_ROUNDS_2_3[];      // "%s %s": round text, top player
extern const char PROMPT_INTRO_ROUND_4[];         // first answerer, first chooser
extern const char PROMPT_INTRO_ROUND_5[];         // first chooser
extern const char PROMPT_INTRO_ROUND_6[];         // first chooser
extern const char PROMPT_QUESTION_HUMAN[];        // answerer
extern const char PROMPT_QUESTION_HUMAN_TOPIC[];  // answerer, topic title
extern const char PROMPT_QUESTION_HUMAN_NUMBER[]; // answerer, question number
extern const char PROMPT_QUESTION_COMPUTER[];     // answerer
extern const char PROMPT_TOPIC_HUMAN_SELF[];      // chooser
extern const char PROMPT_TOPIC_HUMAN_OTHER[];     // chooser, answerer
extern const char PROMPT_TOPIC_COMPUTER_SELF[];   // chooser
extern const char PROMPT_TOPIC_COMPUTER_OTHER[];  // answerer, chooser
extern const char PROMPT_OPPONENT_HUMAN[];        // chooser
extern const char PROMPT_OPPONENT_COMPUTER[];     // chooser
extern const char PROMPT_VOTE[];                  // voter
extern const char PROMPT_LEAVES_WEAKEST[];        // leaving player
extern const char PROMPT_LEAVES_VOTED[];          // leaving player
extern const char PROMPT_FINAL_WINNER[];          // winner
extern const char PROMPT_SUPERFINAL_WINNER[];     // winner
extern const char TEXT_NO_DATA[];                 // vote screen: no previous vote
extern const char DEFAULT_HUMAN_NAME[];           // "%d": slot + 1

// The round text of rounds 2, 3, 7 and 8; "" for every other round.
const char *round_text(int round);

// Round introduction: round 1 empty; 2 and 3 the round text and `first` (the top player);
// 4 `first` answers, `second` chooses; 5 and 6 `first` chooses; 7 and 8 the round text.
std::string intro_text(int round, const char *first, const char *second);
// The hint of a question. `question_counter` is the round's step (rounds 7 and 8 number the
// questions (counter - 1) / 2 + 1).
std::string question_prompt(int round, bool human, const char *answerer, const char *topic, int question_counter);
// The hint of a topic choice: round 3 for the chooser himself, round 4 for the answerer.
std::string topic_choice_prompt(int round, bool human, const char *chooser, const char *answerer);
std::string opponent_choice_prompt(bool human, const char *chooser);
std::string vote_prompt(const char *voter);
// The announcement of packet type 11 by round: the weakest leaves (1, 4, 5, 6), the voted-out
// player leaves (2, 3), the final's (7) or the super-final's (8) winner; "" in other rounds.
std::string leaving_text(int round, const char *name);
// DEFAULT_HUMAN_NAME filled with slot + 1.
std::string default_human_name(int slot);
