"""Local times and the instants they must give, worked out with Python's zoneinfo.

  zoneinfo_cases.py SEED ZONE...
      prints one line per case: "ZONE KIND Y M D h m s INSTANT", KIND being skipped,
      repeated or unique

Every change of offset from 1990 to 2035 gives its skipped or repeated local times (each
minute, and the last second) and the unique seconds just outside them. A skipped or repeated
time is read as standard time with the standard offset in force just before the change; when
that instant lies in daylight time it moves back by that instant's daylight saving. Unique
times, drawn at random from 1970 to 3000 and near each change, give the one instant they name.
"""

import random
import sys
from datetime import datetime, timedelta, timezone
from zoneinfo import ZoneInfo

EPOCH = datetime(1970, 1, 1)


def offset_at(zone, instant):
    return int(datetime.fromtimestamp(instant, zone).utcoffset().total_seconds())


def changes(zone, first_year, last_year):
    """(instant, offset before, offset after) of each change of offset, found day by day."""
    start = int((datetime(first_year, 1, 1) - EPOCH).total_seconds())
    end = int((datetime(last_year + 1, 1, 1) - EPOCH).total_seconds())
    found = []
    previous = offset_at(zone, start)
    for day in range(start, end, 86400):
        offset = offset_at(zone, day + 86400)
        if offset != previous:
            low, high = day, day + 86400
            while high - low > 1:
                middle = (low + high) // 2
                if offset_at(zone, middle) == previous:
                    low = middle
                else:
                    high = middle
            found.append((high, previous, offset_at(zone, high)))
        previous = offset
    return found


def fields(wall_clock):
    return EPOCH + timedelta(seconds=wall_clock)


def readings(zone, naive):
    """The instants whose local fields are naive."""
    found = set()
    for fold in (0, 1):
        instant = int(naive.replace(tzinfo=zone, fold=fold).timestamp())
        if datetime.fromtimestamp(instant, zone).replace(tzinfo=None) == naive:
            found.add(instant)
    return found


def standard_reading(zone, naive):
    before = naive.replace(tzinfo=zone, fold=0)  # fold 0: the offset before the change
    standard = before.utcoffset() - before.dst()
    as_standard = int((naive - standard).replace(tzinfo=timezone.utc).timestamp())
    saving = datetime.fromtimestamp(as_standard, zone).dst()
    return as_standard - int(saving.total_seconds())


def emit(name, kind, naive, instant):
    print(name, kind, naive.year, naive.month, naive.day, naive.hour, naive.minute,
          naive.second, instant)


def main():
    rng = random.Random(int(sys.argv[1]))
    for name in sys.argv[2:]:
        zone = ZoneInfo(name)
        for at, before, after in changes(zone, 1990, 2035):
            low, high = at + min(before, after), at + max(before, after)
            kind = "skipped" if after > before else "repeated"
            for wall_clock in list(range(low, high, 60)) + [high - 1]:
                naive = fields(wall_clock)
                assert len(readings(zone, naive)) == (0 if kind == "skipped" else 2), naive
                emit(name, kind, naive, standard_reading(zone, naive))
            for wall_clock in [low - 1, high] + [rng.randrange(low - 26 * 3600, high + 26 * 3600)
                                                 for _ in range(4)]:
                naive = fields(wall_clock)
                named = readings(zone, naive)
                if len(named) == 1:
                    emit(name, "unique", naive, named.pop())
        for _ in range(400):
            naive = fields(rng.randrange(0, 32503680000))  # 1970 to 3000
            named = readings(zone, naive)
            if len(named) == 1:
                emit(name, "unique", naive, named.pop())


if __name__ == "__main__":
    main()
