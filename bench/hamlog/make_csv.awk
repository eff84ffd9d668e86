# Writes N contacts in the HAMLOG import CSV layout (Shift-JIS bytes, CR LF): JA and DX
# stations, portable calls in both orders, Japanese names and QTHs, both time zones.
# usage: LC_ALL=C gawk -v N=1000000 -f make_csv.awk > big.csv
BEGIN {
    split("JA JH JR JE JF JG JI JJ 7K 7L", ja, " ")
    split("W K VK ZL DL HL BV F G", dx, " ")
    split("CW SSB FM FT8 RTTY AM", mode, " ")
    split("7.012 14.205 21.030 430.100 50.313 3.520 1.910 144.180", freq, " ")
    name[1] = "\x8e\x52\x93\x63 \x91\xbe\x98\x59"   # 山田 太郎
    name[2] = "\x8d\xb2\x93\xa1 \x89\xd4\x8e\x71"   # 佐藤 花子
    name[3] = "\x97\xe9\x96\xd8"                    # 鈴木
    name[4] = "Bruce"
    qth[1] = "\x90\x5f\x93\xde\x90\xec\x8c\xa7\x89\xa1\x95\x6c\x8e\x73"  # 神奈川県横浜市
    qth[2] = "\x91\xe5\x8d\xe3\x95\x7b\x91\xe5\x8d\xe3\x8e\x73"          # 大阪府大阪市
    qth[3] = "Sydney NSW"
    letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
    for (i = 1; i <= N; i++) {
        k = int(i / 3)   # three contacts per station on average
        suffix = substr(letters, k % 26 + 1, 1) substr(letters, int(k / 26) % 26 + 1, 1) substr(letters, int(k / 676) % 26 + 1, 1)
        isdx = (i % 5 == 0)
        if (isdx) call = dx[k % 9 + 1] (k % 10) suffix
        else call = ja[k % 10 + 1] (k % 10) suffix
        if (i % 7 == 0) call = call "/" (k % 10)
        else if (isdx && i % 11 == 0) call = "KH6/" call
        else if (!isdx && i % 13 == 0) call = call "/QRP"
        y = 2000 + i % 25; m = i % 12 + 1; d = i % 28 + 1; h = i % 24; mi = i % 60
        printf "\"%s\",\"%04d/%02d/%02d\",\"%02d:%02d%s\",\"599\",\"579\",\"%s\",\"%s\",\"1101\",\"PM95\",\"J* \",\"%s\",\"%s\",\"RIG IC-7300 #%d\",\"\",\"%d\"\r\n", \
            call, y, m, d, h, mi, isdx ? "U" : "J", freq[i % 8 + 1], mode[i % 6 + 1], name[i % 4 + 1], qth[i % 3 + 1], i, isdx ? 8 : 0
    }
}
