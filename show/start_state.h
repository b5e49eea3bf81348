// OrvShowStartState: the GL state the show starts from, kept on the attribute
// stacks (one level each) and the matrices, so that every pass of a looping
// show starts from the state the first pass found. Needs a current GL context
// for its whole life.
#pragma once

class OrvShowStartState {
public:
    OrvShowStartState();
    ~OrvShowStartState();

    OrvShowStartState(const OrvShowStartState&) = delete;
    OrvShowStartState& operator=(const OrvShowStartState&) = delete;

    // Puts the saved state back and keeps it saved for the next time.
    void Restore();

private:
    float projection[16];
    float modelview[16];
};
