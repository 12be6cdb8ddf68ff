// The computer's mallet.
#pragma once

// Slides the computer's mallet a random part of the puck's sideways speed towards the puck's x.
void moveComputerMallet();
