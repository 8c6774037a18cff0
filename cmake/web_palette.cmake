# The one palette of everything drawn for a person to look at: the replay
# page, the board picture, the folder index and the run's site. Warm paper
# and dark ink so the pieces read well; the step blue and the shot red are
# the move marks of the picture and the links' colour.
set(PALETTE_INK "#2c2924")    # text, black's pieces
set(PALETTE_MUTED "#6f6556")  # labels, notes
set(PALETTE_CARD "#fffdf8")   # the paper of a card, a picture, a page
set(PALETTE_EDGE "#dccbaa")   # dark squares, table rules
set(PALETTE_TINT "#f4ecdb")   # table heads, preformatted text
set(PALETTE_HOVER "#f3ecdc")  # a control under the pointer
set(PALETTE_RING "#8c8172")   # the ring and door of a piece
set(PALETTE_STEP "#2a6bb0")   # a step, a link
set(PALETTE_SHOT "#c4352b")   # a shot
