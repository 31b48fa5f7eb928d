#!/usr/bin/perl
# Makes the applet's icon file from its picture text: one block per image,
# a line "size N" followed by N rows of N letters, each letter a colour of
# the standard 16-colour palette ('.' is transparent). The images are
# written as 16-colour bitmaps with their transparency masks.
#   make-icon.pl PICTURE.txt ICON.ico
use strict;
use warnings;

my %colour = (
    'K' => 0, 'r' => 1, 'g' => 2, 'o' => 3, 'n' => 4, 'p' => 5, 't' => 6, 's' => 7,
    'd' => 8, 'R' => 9, 'G' => 10, 'Y' => 11, 'B' => 12, 'M' => 13, 'C' => 14, 'W' => 15,
    '.' => 0,
);
my @palette = (
    [0, 0, 0], [128, 0, 0], [0, 128, 0], [128, 128, 0], [0, 0, 128], [128, 0, 128], [0, 128, 128], [192, 192, 192],
    [128, 128, 128], [255, 0, 0], [0, 255, 0], [255, 255, 0], [0, 0, 255], [255, 0, 255], [0, 255, 255], [255, 255, 255],
);

my ($input, $output) = @ARGV;
die "usage: make-icon.pl PICTURE.txt ICON.ico\n" unless defined $output;
open(my $in, '<', $input) or die "make-icon: cannot read $input: $!\n";
my (@images, $rows);
while (my $line = <$in>) {
    $line =~ s/\s+$//;
    next if $line eq '' || $line =~ /^#/;
    if ($line =~ /^size (\d+)$/) {
        $rows = [];
        push @images, { size => $1, rows => $rows };
        next;
    }
    die "make-icon: $input:$.: a picture row before its size line\n" unless $rows;
    push @$rows, $line;
}
close $in;

my @bitmaps;
for my $image (@images) {
    my $size = $image->{size};
    my @rows = @{ $image->{rows} };
    die "make-icon: image $size has " . scalar(@rows) . " rows, not $size\n" unless @rows == $size;
    for my $row (@rows) {
        die "make-icon: image $size: row '$row' is not $size letters long\n" unless length($row) == $size;
        for my $letter (split //, $row) {
            die "make-icon: image $size: unknown colour letter '$letter'\n" unless exists $colour{$letter};
        }
    }
    # Rows are stored bottom up, each padded to four bytes.
    my ($colours, $mask) = ('', '');
    for my $row (reverse @rows) {
        my @letters = split //, $row;
        my ($line, $bits) = ('', '');
        for (my $x = 0; $x < $size; $x += 2) {
            $line .= chr(($colour{ $letters[$x] } << 4) | $colour{ $letters[$x + 1] });
        }
        $bits .= join('', map { $_ eq '.' ? '1' : '0' } @letters);
        my $maskLine = pack('B*', $bits);
        $line .= "\0" x ((4 - length($line) % 4) % 4);
        $maskLine .= "\0" x ((4 - length($maskLine) % 4) % 4);
        $colours .= $line;
        $mask .= $maskLine;
    }
    my $header = pack('VVVvvVVVVVV', 40, $size, 2 * $size, 1, 4, 0, length($colours) + length($mask), 0, 0, 16, 0);
    my $table = join('', map { pack('CCCC', $_->[2], $_->[1], $_->[0], 0) } @palette);
    push @bitmaps, { size => $size, data => $header . $table . $colours . $mask };
}

my $offset = 6 + 16 * @bitmaps;
my $file = pack('vvv', 0, 1, scalar @bitmaps);
for my $bitmap (@bitmaps) {
    $file .= pack('CCCCvvVV', $bitmap->{size}, $bitmap->{size}, 16, 0, 1, 4, length($bitmap->{data}), $offset);
    $offset += length($bitmap->{data});
}
$file .= $_->{data} for @bitmaps;
open(my $out, '>:raw', $output) or die "make-icon: cannot write $output: $!\n";
print $out $file;
close $out or die "make-icon: cannot write $output: $!\n";
