#!/usr/bin/env python3
"""A whole bot in the referee's protocol: capture when it can, else step forward.

Run it against gridplayer:  referee examples/python_bot.py gridplayer
"""
import sys


def main():
    header = sys.stdin.readline().split()
    if len(header) < 3:
        return
    me = "b" if header[0] == "1" else "w"  # player 1 plays black and moves first
    rows, columns = int(header[1]), int(header[2])
    forward = -1 if me == "b" else 1  # black moves toward row 0, white toward the last row

    # The starting position: white's town halls (W) on the even columns of row 0
    # and soldiers (w) on the odd columns of rows 0-2; black's mirrored below.
    board = {}
    for x in range(columns):
        if x % 2 == 0:
            board[(x, 0)] = "W"
            for y in range(rows - 3, rows):
                board[(x, y)] = "b"
        else:
            board[(x, rows - 1)] = "B"
            for y in range(3):
                board[(x, y)] = "w"

    def apply(line):
        _, x1, y1, action, x2, y2 = line.split()
        source, target = (int(x1), int(y1)), (int(x2), int(y2))
        if action == "M":  # the piece on the source goes to the target, taking what stood there
            board[target] = board.pop(source)
        else:  # "B": a cannon shot empties the target; nothing moves
            board.pop(target, None)

    def choose():
        steps, captures = [], []
        for (x, y), piece in list(board.items()):
            if piece != me:
                continue
            for dx in (-1, 0, 1):
                tx, ty = x + dx, y + forward
                if not (0 <= tx < columns and 0 <= ty < rows):
                    continue
                there = board.get((tx, ty), "")
                if there.lower() == me:
                    continue  # never onto a piece of one's own
                move = f"S {x} {y} M {tx} {ty}"
                (captures if there else steps).append(move)
        return (captures or steps or [None])[0]

    if me == "w":  # white answers black's first move
        line = sys.stdin.readline()
        if not line:
            return
        apply(line)
    while True:
        move = choose()
        if move is None:
            return  # no step forward left: exiting gives the game up
        apply(move)
        print(move, flush=True)  # without the flush the referee waits until the clock runs out
        line = sys.stdin.readline()
        if not line:
            return  # end of input: the game is over
        apply(line)


if __name__ == "__main__":
    main()
