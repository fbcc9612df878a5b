# Writes a booking file for the benchmark on standard output.
#
#   awk -v type=dta|40p|50p|62p -v count=N -v terminal=NAME -f gen_bookings.awk
#
# Booking k (0 <= k < count) has the badge B<k> and a time one second after
# booking k-1, so every booking is distinct. Readers cycle through 1..32 and
# cost-centre numbers through 1..40, all of which the benchmark's master data
# knows. dta lines end in CR LF like the terminals' files; the fixed-width
# types have no separators.
function two(n) { return sprintf("%02d", n) }

# DDMMYY hhmmss of booking k, from 1 January 2024, 28 days a month.
function setTime(k,   second, day) {
    second = k % 86400
    day = int(k / 86400)
    dd = two(1 + day % 28)
    mm = two(1 + int(day / 28) % 12)
    yy = "24"
    hms = two(int(second / 3600)) two(int(second / 60) % 60) two(second % 60)
}

BEGIN {
    if (count == "" || terminal == "") {
        print "gen_bookings.awk: set -v type, -v count and -v terminal" > "/dev/stderr"
        exit 2
    }
    codes = "0123456789ABCDEFG"
    for (k = 0; k < count; k++) {
        setTime(k)
        badge = "B" k
        reader = 1 + k % 32
        if (type == "dta") {
            line = terminal "," reader "," badge ",20" yy mm dd ",20" yy mm dd hms ",K05,000,SO=12"
            if (k % 10 == 0) line = line ",Kostenstelle=" (1 + k % 40)
            else if (k % 10 == 5) line = line ",VonBis=08-16"
            printf "%s\r\n", line
        } else if (type == "40p") {
            printf "%-13s%s%s%s%s%s%s%s", badge, dd, mm, yy, hms, substr(codes, 1 + k % 17, 1), two(reader), "0"
        } else if (type == "50p") {
            printf "%s%s%s%s%-13s%07d", dd, mm, yy, hms, badge, 1 + k % 40
        } else if (type == "62p") {
            printf "%s%s%s%s%03d%s00%-13s0", dd, mm, yy, hms, k % 1000, two(reader), badge
        } else {
            print "gen_bookings.awk: unknown type " type > "/dev/stderr"
            exit 2
        }
    }
}
