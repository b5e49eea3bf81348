// The show's picture is 4:3 whatever the size of the surface it is drawn on.
#pragma once

// A rectangle of the window, in GL's window coordinates.
struct OrvViewport {
    int x, y, width, height;
};

// The largest centred 4:3 rectangle in a width x height picture: black bars
// left and right of a wide picture, above and below a tall one.
OrvViewport OrvFourThirdsViewport(int width, int height);
